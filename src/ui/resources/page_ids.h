/* Control and bitmap identifiers of the wizard pages, shared by the dialog templates (pages.rc)
   and the code that fills them. Plain macros, since the resource compiler reads this file too. */
#ifndef VALDORINE_UI_PAGE_IDS_H
#define VALDORINE_UI_PAGE_IDS_H

#define IDC_FORWARD 1001       /* Next, OK, I accept, Install */
#define IDC_BACK_OUT 1003      /* Cancel, I decline */
#define IDC_TEXT_BOX 1005      /* licence or readme text */
#define IDC_MAIN_TEXT 1009
#define IDC_BROWSE 1013
#define IDC_FOLDER 1015
#define IDC_LANGUAGES 1017
#define IDC_PASSWORD 1019
#define IDC_SIDE_PICTURE 1021
#define IDC_HEADER_BAND 1032
#define IDC_BAND_TITLE 1034
#define IDC_BAND_SUBTITLE 1035
#define IDC_SPACE_REQUIRED 1036
#define IDC_SPACE_FREE 1037
#define IDC_PASSWORD_LABEL 1039
#define IDC_GREETING_LINK 1040
#define IDC_WHITE_PANEL 1042

#define IDB_SIDE_PICTURE 2
#define IDB_HEADER_BAND 3
#define IDB_GLYPH_FORWARD 4
#define IDB_GLYPH_CANCEL 5
#define IDB_GLYPH_BROWSE 6
#define IDB_GLYPH_RETRY 7

#endif
