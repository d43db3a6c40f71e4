// Resource numbers of the language module (zrpcres.dll) and of the library's own resources.
#ifndef ZRPC_RES_IDS_H
#define ZRPC_RES_IDS_H

// Library's own resources
#define IDS_ZRPC_APP_TITLE 57344

// Strings of the language module
#define IDS_UNKNOWN_ALGORITHM 100
#define IDS_OVERWRITE_QUESTION 101
#define IDS_TOKEN_COLUMN_NAME 102
#define IDS_TOKEN_COLUMN_SERIAL 103
#define IDS_TOKEN_COLUMN_STATUS 104
#define IDS_TOKEN_NOT_AVAILABLE 105
#define IDS_TOKEN_READY 106
#define IDS_TOKEN_LOCKED 107
#define IDS_TOKEN_NOT_INITIALISED 108
#define IDS_KEY_COLUMN_SLOT 109
#define IDS_KEY_COLUMN_NAME 110
#define IDS_KEY_COLUMN_ALGORITHM 111
#define IDS_KEY_COLUMN_BITS 112
#define IDS_KEY_COLUMN_USAGE 113
#define IDS_KEY_RESERVED 114
#define IDS_KEY_BACKUP 115
#define IDS_KEY_EMPTY 116
#define IDS_ERROR_JOIN 117
#define IDS_TITLE_WARNING 118
#define IDS_TITLE_INFORMATION 119
#define IDS_CREATING_KEY_STORE 124
#define IDS_ADDING_PUBLIC_KEY_WAIT 125
#define IDS_ADD_PUBLIC_KEY_QUESTION 126
#define IDS_NO_TOKEN_COMPONENT 127
#define IDS_RANDOM_FAILED 705
#define IDS_RANDOM_FAILED_TITLE 706
#define IDS_READING_KEY 900
#define IDS_WRITING_BACKUP_FILE 901
#define IDS_GETTING_BACKUP_KEY 902
#define IDS_ADDING_PUBLIC_KEY 903

// Bitmaps and icons of the language module
#define IDB_IMAGE_STRIP 118
#define IDB_BITMAP_124 124
#define IDB_BITMAP_745 745
#define IDI_WORKING_FIRST 143
#define IDI_WORKING_LAST 148
// The pictures drawn again for denser screens: bitmap id at 150 % is id + IDB_SCALED_150, at 200 % it
// is id + IDB_SCALED_200 (icons hold their sizes in one resource).
#define IDB_SCALED_150 20000
#define IDB_SCALED_200 30000

// Dialog templates of the language module, and their items
#define IDD_WORKING 161
#define IDC_WORKING_PICTURE 1000
#define IDC_WORKING_MESSAGE 1001
#define IDC_WORKING_ICON 2033
#define IDD_PASSWORD 3075
#define IDC_PASSWORD_PICTURE 1000
#define IDC_PASSWORD_PROMPT 2082
#define IDC_PASSWORD_FIELD 2077

#endif
