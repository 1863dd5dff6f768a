#pragma once

#include "platform/mfc/AfxRes.h"

// The program's resource ids: menus, icons, the About box, and its commands.
enum : unsigned {
    IDR_MAINFRAME = 128,
    IDR_CorvaneTYPE = 129,
    IDR_TABLE = 500,
    IDD_ABOUTBOX = 100,

    ID_DELETE_ADDRESS = 32779,
    ID_ADD_ADDRESS = 32780,
    ID_SHOW_ADDRESS = 32782,
    ID_SHOW_TABLE = 32783,
    ID_AUTO_UPDATE = 32784,
    ID_SEND_MAIL = 32786,
    ID_PREVIEW_MAIL = 32789,
    ID_FIND = 32791,
    ID_MAIL_SETTINGS = 32792,
    ID_DATABASE_SETTINGS = 32793,
    ID_IMPORT_ADDRESSES = 32810,
    ID_EXPORT_ADDRESSES = 32811,
    ID_SET_TEMPLATE = 32812,
    ID_SAMPLE_TEMPLATE = 32813,
    ID_PREVIEW_FORMATTED = 32816,
};
