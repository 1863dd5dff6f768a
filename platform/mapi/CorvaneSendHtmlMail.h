#pragma once

// Corvane's formatted mail: the mail library's export that sends a message
// with an HTML part beside its text, and the images that the HTML shows from
// related parts. The program looks it up as optional and sends formatted mail
// only through a library that has it.

#include "platform/mapi/SimpleMapi.h"

extern "C" {

// An image that the HTML shows as "cid:" followed by the Content-ID.
struct CorvaneInlineImage {
    ULONG ulReserved;
    LPSTR lpszPathName;  // the image file
    LPSTR lpszContentId; // without angle brackets: "logo.1f3a@example.com"
};
using lpCorvaneInlineImage = CorvaneInlineImage*;

struct CorvaneHtmlBody {
    ULONG ulReserved;
    LPSTR lpszHtml; // the whole HTML document, UTF-8
    ULONG nImageCount;
    lpCorvaneInlineImage lpImages; // null when nImageCount is 0
};
using lpCorvaneHtmlBody = CorvaneHtmlBody*;

using LPCORVANESENDHTMLMAIL = ULONG (*)(LHANDLE lhSession, ULONG_PTR ulUIParam,
                                        lpMapiMessage lpMessage, lpCorvaneHtmlBody lpHtml,
                                        FLAGS flFlags, ULONG ulReserved);

// MAPISendMail for a formatted mail: the same session, message, flags and
// result codes, and the same checks of recipient, subject and attachments;
// CorvaneLastResult tells how it ended and CorvaneAbortSend ends it as they
// do for MAPISendMail.
// The message's note text becomes the text/plain part and lpHtml->lpszHtml
// the text/html part of a multipart/alternative; with images, the HTML and
// the images are a multipart/related inside it, each image a part of its own
// with its Content-ID. With lpHtml null, exactly MAPISendMail. Beyond
// MAPISendMail's codes: MAPI_E_INVALID_MESSAGE when the HTML or a Content-ID
// is not UTF-8, a Content-ID is not of the form left@right in the characters
// RFC 5322 allows there, or two images share one; MAPI_E_ATTACHMENT_NOT_FOUND
// or MAPI_E_ATTACHMENT_OPEN_FAILURE when an image file is missing or cannot
// be read.
SIMPLEMAPI_EXPORT ULONG CorvaneSendHtmlMail(LHANDLE lhSession, ULONG_PTR ulUIParam,
                                            lpMapiMessage lpMessage, lpCorvaneHtmlBody lpHtml,
                                            FLAGS flFlags, ULONG ulReserved);
}
