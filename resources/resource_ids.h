// Identifiers shared by the resource scripts and the code.
//
// Wizard dialogs: the frame is dialog 10, the pages are dialogs 1 to 5.
// The edit fields of page n are numbered n * 100 + 1 upward without gaps;
// labels and result fields use n * 100 + 51 upward.
#pragma once

// --- dialogs ------------------------------------------------------------------
#define IDD_WIZARD_FRAME 10
#define IDD_PAGE_STARS_1 1
#define IDD_PAGE_STARS_2 2
#define IDD_PAGE_PLANETS 3
#define IDD_PAGE_CIVILIZATIONS 4
#define IDD_PAGE_TEXTS 5

// --- frame buttons (OK and Cancel are the dialog manager's 1 and 2) -----------
#define IDC_WIZARD_OK 1
#define IDC_WIZARD_CANCEL 2
#define IDC_WIZARD_HELP 3
#define IDC_WIZARD_PREVIOUS 4
#define IDC_WIZARD_NEXT 5

// --- page 1: stars in our galaxy #1 -------------------------------------------
#define IDC_STAR_COUNT 101
#define IDC_PLANET_SHARE 102
#define IDC_POPULATION_I_SHARE 103
#define IDC_MULTIPLE_SYSTEM_SHARE 104
#define IDC_HEAVY_ELEMENT_SHARE 105
#define IDC_PAGE1_LAST_EDIT IDC_HEAVY_ELEMENT_SHARE

// --- page 2: stars in our galaxy #2 -------------------------------------------
#define IDC_DWARF_SHARE 201
#define IDC_SUN_LIKE_SHARE 202
#define IDC_GIANT_SHARE 203
#define IDC_ECO_SINGLE_PROB 204
#define IDC_ECO_DWARF_PROB 205
#define IDC_ECO_SUN_LIKE_PROB 206
#define IDC_ECO_GIANT_PROB 207
#define IDC_PAGE2_LAST_EDIT IDC_ECO_GIANT_PROB

// --- page 3: habitable planets ---------------------------------------------------
#define IDC_PLANET_IN_ECO_PROB 301
#define IDC_MASS_MIX_PROB 302
#define IDC_ORBIT_AXIS_PROB 303
#define IDC_LIFE_EVOLVES_PROB 304
#define IDC_PAGE3_LAST_EDIT IDC_LIFE_EVOLVES_PROB
#define IDC_SUITABLE_STAR_COUNT 352

// --- page 4: advanced civilizations ----------------------------------------------
#define IDC_FIRST_LIFE_YEARS 401
#define IDC_FIRST_CIVILIZATION_YEARS 402
#define IDC_CIVILIZATION_SPAN_YEARS 403
#define IDC_STAR_DISTANCE_LY 404
#define IDC_GALAXY_SIZE_RATIO 405
#define IDC_GALAXY_COUNT 406
#define IDC_PAGE4_LAST_EDIT IDC_GALAXY_COUNT
#define IDC_INHABITED_PLANET_TOTAL 452

// --- page 5: textual settings description -----------------------------------------
#define IDC_AUTHOR_NAME 501
#define IDC_AUTHOR_ABOUT 502
#define IDC_SETTINGS_COMMENTS 503
#define IDC_PAGE5_LAST_EDIT IDC_SETTINGS_COMMENTS

#ifdef __cplusplus
static_assert(IDC_PAGE1_LAST_EDIT - 101 + 1 == 5, "page 1 edits 101..105");
static_assert(IDC_PAGE2_LAST_EDIT - 201 + 1 == 7, "page 2 edits 201..207");
static_assert(IDC_PAGE3_LAST_EDIT - 301 + 1 == 4, "page 3 edits 301..304");
static_assert(IDC_PAGE4_LAST_EDIT - 401 + 1 == 6, "page 4 edits 401..406");
static_assert(IDC_PAGE5_LAST_EDIT - 501 + 1 == 3, "page 5 edits 501..503");
#endif
