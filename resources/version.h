// The program's version, written in this one place. The version resource
// (resources/halvdyne.rc) takes both forms from here; keep it equal to the
// version in CMakeLists.txt's project() line, which the resource test checks.
#pragma once

// As shown to people, and as the string values of the version resource.
#define HALV_VERSION_TEXT "0.9"

// FILEVERSION / PRODUCTVERSION: major, minor, patch, build.
#define HALV_VERSION_BINARY 0, 9, 0, 0
