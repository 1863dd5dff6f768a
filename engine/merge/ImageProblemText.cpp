#include "engine/merge/ImageProblemText.h"

QString ImageProblemText(const CHtmlMail::Problem& problem) {
    switch (problem.kind) {
    case CHtmlMail::ImageProblem::OutsideFolder:
        return QStringLiteral("The image \"%1\" is not a file in Corvane's folder.")
            .arg(problem.strImage);
    case CHtmlMail::ImageProblem::Missing:
        break;
    }
    return QStringLiteral("Can not find the image \"%1\".").arg(problem.strImage);
}
