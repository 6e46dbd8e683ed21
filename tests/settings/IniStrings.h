// String ids of the INI tests' own string table (IniStrings.rc).
#pragma once

#define IDS_SECTION 100
#define IDS_KEY 101
#define IDS_DEFAULT 102
#define IDS_ABSENT_KEY 103
#define IDS_MISSING 999 // no string has this id
