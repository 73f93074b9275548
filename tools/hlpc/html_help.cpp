#include "tools/hlpc/html_help.h"

#include <map>
#include <set>

namespace hlpc {

namespace {

const char Eol[] = "\r\n";

// Long context strings make short enough file names for every file system.
const std::size_t MaxPageBaseLength = 64;

// The HTML Help viewers are Internet Explorer's engine, from version 4 on:
// plain CSS 1, in the fonts and colours of the WinHelp file's |FONT.
const char StyleSheet[] =
    "body { font-family: Arial, Helvetica, sans-serif; font-size: 10pt; color: black; background-color: white; }\r\n"
    "h1 { font-size: 14pt; font-weight: bold; color: navy; margin-top: 0; margin-bottom: 8pt; }\r\n"
    "h2 { font-size: 12pt; font-weight: bold; color: navy; margin-top: 12pt; margin-bottom: 4pt; }\r\n"
    "p { margin-top: 0; margin-bottom: 6pt; }\r\n"
    "ul { margin-top: 0; margin-bottom: 6pt; }\r\n"
    "li { margin-bottom: 3pt; }\r\n";

std::string Lower(const std::string& text)
{
    std::string lower = text;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

std::string Upper(const std::string& text)
{
    std::string upper = text;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

// Windows opens the device, not a file, for these names with any extension.
bool IsDeviceName(const std::string& lowerName)
{
    static const std::set<std::string> devices = {"con",  "prn",  "aux",  "nul",  "com1", "com2", "com3", "com4",
                                                  "com5", "com6", "com7", "com8", "com9", "lpt1", "lpt2", "lpt3",
                                                  "lpt4", "lpt5", "lpt6", "lpt7", "lpt8", "lpt9"};
    return devices.count(lowerName.substr(0, lowerName.find('.'))) != 0;
}

// Text and attribute values alike.
std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

class PageWriter {
public:
    // pages: upper-case context string -> page file name.
    explicit PageWriter(const std::map<std::string, std::string>& pages) : pages_(pages) {}

    std::string Write(const Topic& topic)
    {
        out_.clear();
        Line("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">");
        Line("<html>");
        Line("<head>");
        Line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">");
        Line("<title>" + Escaped(topic.title) + "</title>");
        Line(std::string("<link rel=\"stylesheet\" type=\"text/css\" href=\"") + StyleSheetName + "\">");
        Line("</head>");
        Line("<body>");
        Line("<h1>" + Escaped(topic.title) + "</h1>");
        bool inList = false;
        for (const Paragraph& paragraph : topic.paragraphs) {
            const bool bullet = paragraph.kind == ParagraphKind::Bullet;
            if (bullet != inList) Line(bullet ? "<ul>" : "</ul>");
            inList = bullet;
            const char* tag = paragraph.kind == ParagraphKind::Heading ? "h2" : bullet ? "li" : "p";
            out_ += std::string("<") + tag + ">";
            Spans(paragraph);
            Line(std::string("</") + tag + ">");
        }
        if (inList) Line("</ul>");
        Line("</body>");
        Line("</html>");
        return out_;
    }

private:
    void Line(const std::string& text) { out_ += text + Eol; }

    // <b> always encloses <i>: a change of bold closes both, so that the
    // tags nest however the styles change.
    void Spans(const Paragraph& paragraph)
    {
        bool bold = false;
        bool italic = false;
        for (const Span& span : paragraph.spans) {
            if (span.text == "\n") {
                out_ += std::string("<br>") + Eol;
                continue;
            }
            if (span.bold != bold) {
                if (italic) out_ += "</i>";
                italic = false;
                out_ += span.bold ? "<b>" : "</b>";
                bold = span.bold;
            }
            if (span.italic != italic) {
                out_ += span.italic ? "<i>" : "</i>";
                italic = span.italic;
            }
            if (span.link.empty()) {
                out_ += Escaped(span.text);
            } else {
                out_ += "<a href=\"" + Escaped(pages_.at(Upper(span.link))) + "\">" + Escaped(span.text) + "</a>";
            }
        }
        if (italic) out_ += "</i>";
        if (bold) out_ += "</b>";
    }

    const std::map<std::string, std::string>& pages_;
    std::string out_;
};

// The sitemap format of HTML Help Workshop's contents files.
std::string ContentsFile(const HelpDocument& document, const std::vector<std::string>& pages)
{
    std::string out;
    out += std::string("<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">") + Eol;
    out += std::string("<HTML>") + Eol + "<HEAD>" + Eol;
    out += std::string("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">") + Eol;
    out += std::string("</HEAD>") + Eol + "<BODY>" + Eol + "<UL>" + Eol;
    for (std::size_t i = 0; i < document.topics.size(); ++i) {
        out += std::string("<LI> <OBJECT type=\"text/sitemap\">") + Eol;
        out += "<param name=\"Name\" value=\"" + Escaped(document.topics[i].title) + "\">" + Eol;
        out += "<param name=\"Local\" value=\"" + Escaped(pages[i]) + "\">" + Eol;
        out += std::string("</OBJECT>") + Eol;
    }
    out += std::string("</UL>") + Eol + "</BODY>" + Eol + "</HTML>" + Eol;
    return out;
}

// The map numbers go under [MAP] with the context strings as their names,
// and [ALIAS] gives each name its page.
std::string ProjectFile(const HelpDocument& document, const std::vector<std::string>& pages, const std::string& projectName)
{
    std::string out;
    out += std::string("[OPTIONS]") + Eol;
    out += std::string("Compatibility=1.1 or later") + Eol;
    out += "Compiled file=" + projectName + ".chm" + Eol;
    out += "Contents file=" + projectName + ".hhc" + Eol;
    out += "Default topic=" + pages.front() + Eol;
    out += std::string("Binary Index=No") + Eol;
    out += std::string("Language=0x409 English (United States)") + Eol;
    out += "Title=" + document.title + Eol;
    out += Eol;
    out += std::string("[FILES]") + Eol;
    for (const std::string& page : pages) out += page + Eol;
    out += StyleSheetName + std::string(Eol);
    out += Eol;
    out += std::string("[MAP]") + Eol;
    for (const Topic& topic : document.topics) {
        if (topic.hasMapNumber) out += "#define " + topic.context + " " + std::to_string(topic.mapNumber) + Eol;
    }
    out += Eol;
    out += std::string("[ALIAS]") + Eol;
    for (std::size_t i = 0; i < document.topics.size(); ++i) {
        if (document.topics[i].hasMapNumber) out += document.topics[i].context + "=" + pages[i] + Eol;
    }
    return out;
}

}  // namespace

std::vector<std::string> PageNames(const HelpDocument& document)
{
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (const Topic& topic : document.topics) {
        std::string base = Lower(topic.context).substr(0, MaxPageBaseLength);
        if (IsDeviceName(base)) base = "_" + base;
        std::string name = base + ".html";
        for (int n = 2; taken.count(name) != 0; ++n) name = base + "_" + std::to_string(n) + ".html";
        taken.insert(name);
        names.push_back(name);
    }
    return names;
}

std::vector<HtmlHelpFile> WriteHtmlHelp(const HelpDocument& document, const std::string& projectName)
{
    const std::vector<std::string> pages = PageNames(document);
    std::map<std::string, std::string> pageOf;
    for (std::size_t i = 0; i < pages.size(); ++i) pageOf[Upper(document.topics[i].context)] = pages[i];

    std::vector<HtmlHelpFile> files;
    PageWriter writer(pageOf);
    for (std::size_t i = 0; i < pages.size(); ++i) files.push_back(HtmlHelpFile{pages[i], writer.Write(document.topics[i])});
    files.push_back(HtmlHelpFile{StyleSheetName, StyleSheet});
    files.push_back(HtmlHelpFile{projectName + ".hhc", ContentsFile(document, pages)});
    files.push_back(HtmlHelpFile{projectName + ".hhp", ProjectFile(document, pages, projectName)});
    return files;
}

}  // namespace hlpc
