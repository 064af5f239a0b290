// Resource numbers shared by lumvo.rc and the code that loads them.
#pragma once

#define IDI_LUMVO 1

#define IDB_FRAME 101
#define IDB_DIAL 102

// Picture buttons: the normal image's number, then hover +1, pressed +2, disabled +3.
#define IDB_MENU 110
#define IDB_MIN 120
#define IDB_CLOSE 130
#define IDB_GETTIME 140
#define IDB_CALIBRATE 150
