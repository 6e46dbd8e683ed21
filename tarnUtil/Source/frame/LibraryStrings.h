// Ids of the library's own string table (LibraryStrings.rc).
#pragma once

// The text of the out-of-memory box.
#define IDS_OUT_OF_MEMORY 101
