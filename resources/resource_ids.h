#ifndef ZARVANE_RESOURCE_IDS_H
#define ZARVANE_RESOURCE_IDS_H
/* Resource ids of the saver, shared by the resource script and the code. */

#define IDI_SAVER 100 /* asked for by the saver's window class; the program carries none */

#define IDB_BANNER 102     /* 1280 x 100, 8 bits per pixel */
#define IDB_DAY_MAP 103    /* 1024 x 512, 24 bits per pixel, 180 W at the left edge */
#define IDB_CONFIG_BG 104  /* 400 x 360, 8 bits per pixel */
#define IDB_PREVIEW 105    /* 152 x 112, 8 bits per pixel */
#define IDB_DEPRESSION 106 /* 128 x 128, 24 bits per pixel: tropical depression */
#define IDB_STORM 107      /* 128 x 128, 24 bits per pixel: tropical storm */
#define IDB_HURRICANE 108  /* 128 x 128, 24 bits per pixel: hurricane/typhoon */
#define IDB_NIGHT_MAP 109  /* 1024 x 512, 24 bits per pixel, city lights */
#define IDB_ADVANCED_BG 110 /* 400 x 315, 8 bits per pixel, at most 175 colours */

#define IDD_ADVANCED 102
#define IDD_CONFIG 2003

#define IDS_TITLE 1

#endif
