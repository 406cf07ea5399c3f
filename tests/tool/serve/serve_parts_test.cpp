// The parts of ostrel serve that decide what a request means and what an answer says, each
// against a table of the cases that matter: paths that must stay inside the tree, ranges at and
// past the end, PROPFIND bodies as clients write them and as attackers do, and XML that must stay
// well-formed whatever bytes a file name holds.
#include <expat.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool/serve/byte_range.h"
#include "tool/serve/content_disposition.h"
#include "tool/serve/host_check.h"
#include "tool/serve/http_date.h"
#include "tool/serve/listen_address.h"
#include "tool/serve/propfind_request.h"
#include "tool/serve/request_target.h"
#include "tool/serve/xml_writer.h"

namespace ostrel {
namespace {

const AccessToken kToken("0123456789abcdef0123456789abcdef01234567");

TEST(RequestTargetTest, KeepsEveryRequestInsideTheTree) {
  using Verdict = RequestTarget::Verdict;
  struct Case {
    std::string Target;
    Verdict Expected;
    std::string Path;
  };
  const std::string t = "/" + kToken.Text();
  const std::vector<Case> cases{
      {t, Verdict::kPath, "/"},
      {t + "/", Verdict::kPath, "/"},
      {t + "/a%20b/c.txt?download", Verdict::kPath, "/a b/c.txt"},
      {t + "//a///b/", Verdict::kPath, "/a/b"},
      {t + "/%C3%BC%2B", Verdict::kPath, "/\xC3\xBC+"},
      {t + "/a/../../etc/passwd", Verdict::kBadPath, ""},
      {t + "/..", Verdict::kBadPath, ""},
      {t + "/%2e%2e/x", Verdict::kBadPath, ""},
      {t + "/%2E%2e", Verdict::kBadPath, ""},
      {t + "/./a", Verdict::kBadPath, ""},
      {t + "/a%00b", Verdict::kBadPath, ""},
      {t + "/a%2fb", Verdict::kBadPath, ""},  // a "/" hidden in a name would change the path
      {t + "/a%2", Verdict::kBadPath, ""},
      {t + "/a%zz", Verdict::kBadPath, ""},
      {"/", Verdict::kNoToken, ""},
      {"/x/" + kToken.Text(), Verdict::kNoToken, ""},
      {t + "0/", Verdict::kNoToken, ""},
      {t.substr(0, t.size() - 1) + "/", Verdict::kNoToken, ""},
      {"http://127.0.0.1" + t, Verdict::kBadPath, ""},
  };
  for (const Case& c : cases) {
    const RequestTarget parsed = ParseRequestTarget(c.Target, kToken);
    EXPECT_EQ(parsed.Outcome, c.Expected) << c.Target;
    if (c.Expected == Verdict::kPath) {
      EXPECT_EQ(parsed.TreePath, c.Path) << c.Target;
    }
  }
}

TEST(RequestTargetTest, EncodedPathsComeBackAsTheyWent) {
  const std::vector<std::string> names{
      "a b", "100%", "x?y#z", "\xC3\xBC\xE2\x82\xAC", "semi;colon", "\x01\x7F\xFF", "..x", "~_-."};
  for (const std::string& name : names) {
    const std::string url = EncodedUrlPath(kToken, "/dir/" + name, false);
    const RequestTarget parsed = ParseRequestTarget(url, kToken);
    ASSERT_EQ(parsed.Outcome, RequestTarget::Verdict::kPath) << url;
    EXPECT_EQ(parsed.TreePath, "/dir/" + name) << url;
    // Only unreserved characters, "/" and escapes travel: no client may read a name as syntax.
    EXPECT_EQ(url.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                    "0123456789-._~/%"),
              std::string::npos)
        << url;
  }
  EXPECT_EQ(EncodedUrlPath(kToken, "/", true), "/" + kToken.Text() + "/");
  EXPECT_EQ(EncodedUrlPath(kToken, "/a", true), "/" + kToken.Text() + "/a/");
}

TEST(ByteRangeTest, SingleRangesAtAndPastTheEnd) {
  using Kind = ByteRange::Kind;
  struct Case {
    std::string Header;
    int64_t Length;
    Kind Expected;
    int64_t First;
    int64_t Last;
  };
  const std::vector<Case> cases{
      {"", 100, Kind::kWhole, 0, 0},
      {"bytes=0-9", 100, Kind::kPart, 0, 9},
      {"bytes=90-", 100, Kind::kPart, 90, 99},
      {"bytes=90-1000", 100, Kind::kPart, 90, 99},
      {"bytes=99-99", 100, Kind::kPart, 99, 99},
      {"bytes=-10", 100, Kind::kPart, 90, 99},
      {"bytes=-1000", 100, Kind::kPart, 0, 99},
      {"bytes=100-", 100, Kind::kUnsatisfiable, 0, 0},
      {"bytes=100-200", 100, Kind::kUnsatisfiable, 0, 0},
      {"bytes=0-", 0, Kind::kUnsatisfiable, 0, 0},
      {"bytes=-0", 100, Kind::kUnsatisfiable, 0, 0},
      {"bytes=9-0", 100, Kind::kWhole, 0, 0},  // invalid: ignored
      {"bytes=0-1,5-6", 100, Kind::kWhole, 0, 0},
      {"bytes=x-1", 100, Kind::kWhole, 0, 0},
      {"bytes=99999999999999999999-", 100, Kind::kWhole, 0, 0},
      {"items=0-1", 100, Kind::kWhole, 0, 0},
  };
  for (const Case& c : cases) {
    const ByteRange range = ParseByteRange(c.Header, c.Length);
    EXPECT_EQ(range.Outcome, c.Expected) << c.Header;
    if (c.Expected == Kind::kPart) {
      EXPECT_EQ(range.First, c.First) << c.Header;
      EXPECT_EQ(range.Last, c.Last) << c.Header;
    }
  }
}

TEST(PropfindRequestTest, ReadsWhatClientsAskAndRefusesTheRest) {
  EXPECT_EQ(ParsePropfindRequest("").Asked, PropfindRequest::Kind::kAllProperties);
  EXPECT_EQ(ParsePropfindRequest("<?xml version=\"1.0\"?><propfind xmlns=\"DAV:\"><allprop/>"
                                 "</propfind>")
                .Asked,
            PropfindRequest::Kind::kAllProperties);
  EXPECT_EQ(ParsePropfindRequest("<a:propfind xmlns:a=\"DAV:\"><a:propname/></a:propfind>").Asked,
            PropfindRequest::Kind::kPropertyNames);
  const PropfindRequest listed = ParsePropfindRequest(
      "<propfind xmlns=\"DAV:\"><prop><getcontentlength/><x:executable "
      "xmlns:x=\"http://apache.org/dav/props/\"/></prop></propfind>");
  ASSERT_EQ(listed.Asked, PropfindRequest::Kind::kListed);
  const std::vector<PropertyName> expected{{"DAV:", "getcontentlength"},
                                           {"http://apache.org/dav/props/", "executable"}};
  EXPECT_EQ(listed.Listed, expected);

  const std::vector<std::string> refused{
      "<propfind xmlns=\"DAV:\"><prop>",       // cut short
      "<propfind><allprop/></propfind>",       // not in DAV:
      "<propfind xmlns=\"DAV:\"></propfind>",  // asks nothing
      "<propfind xmlns=\"DAV:\"><allprop/><propname/></propfind>",
      "<lockinfo xmlns=\"DAV:\"/>",
      "garbage",
      "<!DOCTYPE p [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
      "<propfind xmlns=\"DAV:\"><prop>&b;</prop></propfind>",  // entity expansion
  };
  for (const std::string& body : refused)
    EXPECT_THROW((void)ParsePropfindRequest(body), EBadPropfind) << body;
}

// The character data of the one element of document, through a real parser; false when it is not
// well-formed.
bool ParsedText(const std::string& document, std::string& text) {
  XML_Parser parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(parser, &text);
  XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* s, int length) {
    static_cast<std::string*>(data)->append(s, static_cast<std::size_t>(length));
  });
  const bool wellFormed = XML_Parse(parser, document.data(), static_cast<int>(document.size()),
                                    XML_TRUE) == XML_STATUS_OK;
  XML_ParserFree(parser);
  return wellFormed;
}

TEST(XmlWriterTest, AnyNameGivesAWellFormedDocument) {
  struct Case {
    std::string Name;
    std::string Read;  // what a parser reads back
  };
  const std::string replacement = "\xEF\xBF\xBD";
  const std::vector<Case> cases{
      {"plain.txt", "plain.txt"},
      {"a<b>&\"c'", "a<b>&\"c'"},
      {"]]>", "]]>"},
      {"cr\rlf\n\ttab", "cr\rlf\n\ttab"},
      {"\xC3\xBC\xF0\x9F\x98\x80", "\xC3\xBC\xF0\x9F\x98\x80"},
      {std::string("nul\0x", 5), "nul" + replacement + "x"},
      {"\x01\x1F", replacement + replacement},
      {"\xFF\xC3", replacement + replacement},                    // not UTF-8, and cut short
      {"\xED\xA0\x80", replacement + replacement + replacement},  // a surrogate
      {"\xC0\xAF", replacement + replacement},                    // an overlong "/"
      {"\xEF\xBF\xBE", replacement},                              // U+FFFE is no XML character
  };
  for (const Case& c : cases) {
    std::string document;
    XmlWriter xml(document);
    xml.OpenRoot("D:x", "D", "DAV:");
    xml.Text(c.Name);
    xml.Close("D:x");
    std::string text;
    ASSERT_TRUE(ParsedText(document, text)) << document;
    EXPECT_EQ(text, c.Read) << document;
  }
}

TEST(AnswerTextTest, DownloadNamesHostsAddressesAndDates) {
  EXPECT_EQ(AttachmentDisposition("report.pdf"),
            "attachment; filename=\"report.pdf\"; filename*=UTF-8''report.pdf");
  EXPECT_EQ(AttachmentDisposition("B\xC3\xBCro \"1\".txt"),
            "attachment; filename=\"B__ro _1_.txt\"; filename*=UTF-8''B%C3%BCro%20%221%22.txt");

  const HostCheck loopback("127.0.0.1", 8080);
  EXPECT_TRUE(loopback.Accepts("127.0.0.1:8080"));
  EXPECT_TRUE(loopback.Accepts("LOCALHOST:8080"));
  EXPECT_FALSE(loopback.Accepts("127.0.0.1"));
  EXPECT_FALSE(loopback.Accepts("127.0.0.1:8081"));
  EXPECT_FALSE(loopback.Accepts("evil.example:8080"));
  EXPECT_FALSE(loopback.Accepts(""));
  const HostCheck v6("::1", 80);
  EXPECT_TRUE(v6.Accepts("[::1]:80"));
  const HostCheck lan("192.168.1.5", 80);
  EXPECT_FALSE(lan.Accepts("localhost:80"));  // localhost is not where such a server listens

  EXPECT_EQ(ParseListenAddress("127.0.0.1:0").Port, 0);
  EXPECT_EQ(ParseListenAddress("[::1]:8080").Address, "::1");
  for (const char* refused : {"0.0.0.0:80", "[::]:80", "localhost:80", "127.0.0.1", "1.2.3.4:70000",
                              "1.2.3.4:-1", "1.2.3.4:"})
    EXPECT_THROW((void)ParseListenAddress(refused), std::invalid_argument) << refused;

  EXPECT_EQ(HttpDate(0), "Thu, 01 Jan 1970 00:00:00 GMT");
  EXPECT_EQ(HttpDate(784111777), "Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_EQ(HttpDate(951782400), "Tue, 29 Feb 2000 00:00:00 GMT");
  EXPECT_EQ(HttpDate(-1), "Wed, 31 Dec 1969 23:59:59 GMT");
}

}  // namespace
}  // namespace ostrel
