// Built only by views_cannot_include_app: a source of the views layer that
// reaches up into the application must not compile.
#include "app/CMainFrame.h"
