#pragma once

#include "engine/merge/CHtmlMail.h"

#include <QString>

// What the user is told of an image that cannot go with a formatted mail.
QString ImageProblemText(const CHtmlMail::Problem& problem);
