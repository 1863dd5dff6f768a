#pragma once

#include <QList>
#include <QString>

// The formatted part of a Markdown template's mail: an HTML document and the
// images it shows, each to go into the mail as a related part under its
// Content-ID, and the images the template shows that cannot go with it.
struct CHtmlMail {
    // An image file inside the start folder, referred to as "cid:" +
    // strContentId in the HTML.
    struct Image {
        QString strPath;      // absolute, symbolic links resolved
        QString strContentId; // without angle brackets
    };

    enum class ImageProblem {
        Missing,       // no readable file of that name in the start folder
        OutsideFolder, // names a file outside the start folder, or an address
                       // that is neither a file name nor http(s)
    };
    // An image that the HTML shows as its description instead.
    struct Problem {
        QString strImage; // as the Markdown writes it, placeholders filled
        ImageProblem kind;
    };

    QString m_strHtml;
    QList<Image> m_images;
    QList<Problem> m_problems;
};
