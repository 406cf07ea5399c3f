#include "tool/serve/browser_page.h"

#include <array>
#include <cstdio>

#include "tool/serve/request_target.h"
#include "tool/serve/utc_calendar.h"
#include "tool/serve/xml_writer.h"

namespace ostrel {
namespace {

constexpr std::string_view kStyle = R"(
:root { color-scheme: light dark; --line: #8884; --muted: #888; }
body { font: 15px/1.4 system-ui, sans-serif; margin: 0 auto; max-width: 60rem; padding: 0.5rem; }
header { padding: 0.5rem 0; border-bottom: 1px solid var(--line); overflow-wrap: anywhere; }
header h1 { font-size: 1.1rem; margin: 0; }
nav a { text-decoration: none; }
table { width: 100%; border-collapse: collapse; }
td, th { padding: 0.45rem 0.3rem; border-bottom: 1px solid var(--line); text-align: left; }
th { font-weight: 600; color: var(--muted); font-size: 0.85rem; }
td.name { overflow-wrap: anywhere; width: 100%; }
td.size, td.time { white-space: nowrap; font-variant-numeric: tabular-nums; }
td.size { text-align: right; }
a.get { white-space: nowrap; }
.dir::after { content: "/"; }
.empty { color: var(--muted); padding: 1rem 0; }
@media (max-width: 40rem) {
  table, tbody { display: block; }
  thead { display: none; }
  tr { display: grid; grid-template-columns: 1fr auto; border-bottom: 1px solid var(--line); }
  td { border: none; padding: 0.2rem 0.3rem; }
  td.name { grid-column: 1 / -1; font-size: 1.05rem; }
  td.size { text-align: left; color: var(--muted); }
  td.time { color: var(--muted); }
  td.action { grid-column: 1 / -1; }
}
)";

std::string Escaped(std::string_view text) {
  std::string escaped;
  AppendEscapedXmlText(escaped, text);
  return escaped;
}

std::string ReadableSize(int64_t size) {
  static constexpr std::array<const char*, 5> kUnits{"B", "KiB", "MiB", "GiB", "TiB"};
  auto value = static_cast<double>(size);
  std::size_t unit = 0;
  while (value >= 1024 && unit + 1 < kUnits.size()) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  if (unit == 0)
    (void)std::snprintf(text, sizeof text, "%lld B", static_cast<long long>(size));
  else
    (void)std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

// UTC, as "2026-12-11 09:41": the same on every machine the page is opened from.
std::string ReadableTime(int64_t seconds) {
  const UtcCalendarTime time = UtcCalendarTimeOf(seconds);
  char text[40];
  (void)std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d",
                      static_cast<long long>(time.Year), time.Month, time.Day, time.Hour,
                      time.Minute);
  return text;
}

// The links from the root to the directory, each part its own.
std::string Breadcrumbs(const AccessToken& token, std::string_view treePath) {
  std::string html = "<a href=\"" + EncodedUrlPath(token, "/", true) + "\">backup</a>";
  std::string sofar;
  std::string_view rest = treePath;
  while (!rest.empty()) {
    const std::size_t start = rest.find_first_not_of('/');
    if (start == std::string_view::npos)
      break;
    rest.remove_prefix(start);
    const std::size_t end = rest.find('/');
    const std::string_view segment = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    sofar += '/';
    sofar += segment;
    html +=
        " / <a href=\"" + EncodedUrlPath(token, sofar, true) + "\">" + Escaped(segment) + "</a>";
  }
  return html;
}

}  // namespace

// The page's head and its header, up to the start of its main part.
std::string PageStart(const AccessToken& token, std::string_view treePath) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
      "<title>";
  html += Escaped(treePath);
  html += " \xE2\x80\x94 ostrel serve</title><style>";
  html += kStyle;
  html += "</style></head><body><header><h1><nav>";
  html += Breadcrumbs(token, treePath);
  html += "</nav></h1></header><main>";
  return html;
}

std::string DirectoryPage(const AccessToken& token, std::string_view treePath,
                          const std::vector<PageEntry>& entries) {
  std::string base(treePath);
  if (!base.ends_with('/'))
    base += '/';
  std::string html = PageStart(token, treePath);
  if (entries.empty()) {
    html += "<p class=\"empty\">This directory is empty.</p>";
  } else {
    html +=
        "<table><thead><tr><th>Name</th><th>Size</th><th>Modified (UTC)</th><th></th></tr>"
        "</thead><tbody>";
    for (const PageEntry& entry : entries) {
      const std::string href = EncodedUrlPath(token, base + entry.Name, entry.Directory);
      html += R"(<tr><td class="name"><a href=")" + href + "\"" +
              (entry.Directory ? " class=\"dir\"" : "") + ">" + Escaped(entry.Name) + "</a></td>";
      html += "<td class=\"size\">" + (entry.Directory ? "" : ReadableSize(entry.Size)) + "</td>";
      html += "<td class=\"time\">" + ReadableTime(entry.ModifiedSeconds) + "</td>";
      html += "<td class=\"action\">";
      if (!entry.Directory) {
        html += R"(<a class="get" href=")" + href + R"(?download" download>Download</a>)";
        if (entry.Copies > 1) {
          html += R"( <a class="get" href=")" + href + R"(?versions">)" +
                  std::to_string(entry.Copies) + " versions</a>";
        }
      }
      html += "</td></tr>";
    }
    html += "</tbody></table>";
  }
  html += "</main></body></html>\n";
  return html;
}

std::string VersionsPage(const AccessToken& token, std::string_view filePath,
                         const std::vector<FileVersion>& versions) {
  const std::string href = EncodedUrlPath(token, filePath, false);
  std::string html = PageStart(token, filePath);
  html +=
      "<table><thead><tr><th>Version</th><th>Size</th><th>Modified (UTC)</th><th></th></tr>"
      "</thead><tbody>";
  for (const FileVersion& version : versions) {
    const std::string link = href + "?version=" + EncodedSegment(version.ShownName);
    html += R"(<tr><td class="name"><a href=")" + link + "\">" + Escaped(version.ShownName) +
            "</a>" + (version.Stamp.empty() ? " (current)" : "") + "</td>";
    html += "<td class=\"size\">" + ReadableSize(version.Attributes.Size) + "</td>";
    html += "<td class=\"time\">" + ReadableTime(version.Attributes.Seconds) + "</td>";
    html += R"(<td class="action"><a class="get" href=")" + link +
            "&amp;download\" download>Download</a></td></tr>";
  }
  html += "</tbody></table></main></body></html>\n";
  return html;
}

}  // namespace ostrel
