// The same help as HTML Help input, for the viewers of Windows versions
// that have no WinHelp: one page per topic, the contents file NAME.hhc, the
// style sheet help.css and the project file NAME.hhp, which an HTML Help
// compiler turns into NAME.chm. tools/hlpc/README.md lists the details.
#pragma once

#include <string>
#include <vector>

#include "tools/hlpc/help_source.h"

namespace hlpc {

struct HtmlHelpFile {
    std::string name;  // a plain file name, no folder
    std::string text;  // Windows-1252 bytes, CR LF line ends
};

const char StyleSheetName[] = "help.css";

// The page file name of each topic, in source order: the context string in
// lower case with ".html"; shortened when long, moved off the names that
// Windows reserves for devices, and numbered when taken already.
std::vector<std::string> PageNames(const HelpDocument& document);

// Every file of the project NAME for a parsed, checked document: the pages
// in source order, then help.css, NAME.hhc and NAME.hhp.
std::vector<HtmlHelpFile> WriteHtmlHelp(const HelpDocument& document, const std::string& projectName);

}  // namespace hlpc
