#ifndef ZARVANE_DIALOG_IDS_H
#define ZARVANE_DIALOG_IDS_H
/* Control ids of the configuration dialog (IDD_CONFIG) and the advanced options dialog
   (IDD_ADVANCED). Plain #defines: resources/dialogs.rc reads this file too. OK and Cancel
   are the system's IDOK (1) and IDCANCEL (2). */

#ifndef IDC_STATIC
#define IDC_STATIC (-1) /* texts, pictures and group boxes that nothing addresses */
#endif

/* Configuration dialog. */
#define IDC_ADVANCED 1000         /* "&Advanced" push button */
#define IDC_INTERNET 1002         /* "Retrieve Storm Data": "Internet" */
#define IDC_NIGHT_SIDE 1003       /* "Show Night side": "NightSide" */
#define IDC_DISABLE_LIGHTING 1004 /* "Disable Lighting": the inverse of "Lighting" */
#define IDC_USE_HARDWARE 1005     /* "Use 3D Hardware": "UseHardware" */
#define IDC_SHOW_DETAILS 1012     /* "&Show Storm Detail Info": "ShowDetails" */

/* Advanced options dialog. The three connection buttons form one radio group, the three
   unit buttons another. */
#define IDC_PROXY_NAME 1006      /* edit box: "ProxyName" */
#define IDC_ALTERNATE 1007       /* "&Use Alternate Host": "Alternate" */
#define IDC_ALTERNATE_HOST 1008  /* edit box: "AlternateHost" */
#define IDC_USE_PROXY 1009       /* "Use &Proxy Server": "UseProxy" */
#define IDC_SYSTEM_INTERNET 1010 /* "Use &Microsoft Settings": "UseProxy" and "Direct" 0 */
#define IDC_DIRECT 1011          /* "Use &Direct Connect": "Direct" */
#define IDC_ENGLISH 1013         /* "English (Miles per Hour)": "English" */
#define IDC_SI 1014              /* "SI (Kilometers per Hour)": "SI" */
#define IDC_KNOTS 1015           /* "Nautical (Knots)": "Knots" */

#endif
