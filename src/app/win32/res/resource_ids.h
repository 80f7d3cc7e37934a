#pragma once
// Resource numbers shared by the resource script and the code. Plain macros: the resource compiler
// reads this file too.

#define IDB_REFRESH 201
#define IDB_REFRESH_DISABLED 202
#define IDB_SETTIME 203
#define IDB_LOGIN 204
#define IDB_LOGIN_DISABLED 205
#define IDB_MINIMIZE 206
#define IDB_ADD_ITEM 207
#define IDB_DELETE_ITEM 208
#define IDB_BROWSE_FOLDER 209
