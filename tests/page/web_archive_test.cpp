#include "page/web_archive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "page/mime.h"
#include "page/page_cleaner.h"
#include "page/title_marker.h"
#include "tests/support/fixtures.h"

namespace page {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;

mime::Multipart Parts(std::string_view archive) {
  mime::Multipart parts;
  EXPECT_EQ(mime::ReadWebArchive(archive, parts), mime::ReadResult::WebArchive);
  return parts;
}

std::string_view Whole(std::string_view archive, const mime::Part& part) {
  return archive.substr(part.start, part.end - part.start);
}

// The page a browser opens from the archive: its first text/html part, decoded.
std::string PageIn(std::string_view archive) {
  for (const mime::Part& part : Parts(archive).parts) {
    if (part.mediaType != "text/html") continue;
    GrowBuffer content;
    EXPECT_TRUE(mime::DecodeBody(archive, part, content));
    return std::string(content.View());
  }
  return "<none>";
}

// The page inside, tidied by the rules of a page saved with its "_files" folder.
std::string TidiedAsASavedPage(const std::string& page, std::optional<PageCharset> declared) {
  RewrittenPage out;
  TitleInfo info;
  EXPECT_TRUE(RewriteSavedPage(page, false, declared, out, info));
  return std::string(out.bytes);
}

TEST(WebArchiveSamples, HoldTheirPageTidiedAsASavedPageAndEveryOtherPartButScripts) {
  const struct {
    const char* name;
    std::optional<PageCharset> declared;  // by the page part's header
    size_t scripts;
    std::string fields;  // Title, English, Type as the archive is named after them
  } samples[] = {
      {"Moonlit Ferry.mhtml", std::nullopt, 0,
       "Tsukiyo no Watashi|Moonlit Ferry|\xD0\xA2\xD0\x92-\xD1\x81\xD0\xB5\xD1\x80\xD0\xB8\xD0\xB0"
       "\xD0\xBB"},
      {"Amber Orchard.mhtml", PageCharset::Utf8, 2,
       "Kohaku no Niwa|Amber Orchard|\xD0\xA4\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBC"},
  };
  const testsupport::TempFolder folder;
  for (const auto& sample : samples) {
    SCOPED_TRACE(sample.name);
    const std::string original = testsupport::Sample(sample.name);
    const std::string path = folder.Write(sample.name, original);
    // A "_files" folder of the archive's name belongs to some other page.
    const std::string stranger =
        folder.Write(fs::path(sample.name).stem().string() + "_files/a.js", "x");
    TitleInfo info;
    PageForm form = PageForm::Page;
    EXPECT_EQ(CleanPage(path.c_str(), {}, info, &form), PageOutcome::Rewritten);
    EXPECT_EQ(form, PageForm::WebArchive);
    EXPECT_EQ(std::string(info.title) + "|" + info.english + "|" + info.type, sample.fields);
    EXPECT_TRUE(fs::exists(stranger));
    const std::string tidied = ReadFile(path);
    EXPECT_EQ(tidied, testsupport::Expected(sample.name));

    // Decoded, its page is the original's page tidied by the rules of a saved page, byte for
    // byte; every other part but the scripts is as it was, and so is what lies around them.
    EXPECT_EQ(PageIn(tidied), TidiedAsASavedPage(PageIn(original), sample.declared));
    const mime::Multipart before = Parts(original), after = Parts(tidied);
    std::vector<std::string_view> kept;
    for (const mime::Part& part : before.parts)
      if (part.mediaType.find("javascript") == std::string::npos)
        kept.push_back(Whole(original, part));
    ASSERT_FALSE(kept.empty()) << "no part read";
    ASSERT_EQ(after.parts.size(), kept.size());
    ASSERT_EQ(before.parts.size() - kept.size(), sample.scripts);
    for (size_t i = 1; i < kept.size(); ++i) EXPECT_EQ(Whole(tidied, after.parts[i]), kept[i]);
    EXPECT_EQ(tidied.substr(0, after.parts[0].bodyStart),
              original.substr(0, before.parts[0].bodyStart));
    EXPECT_EQ(tidied.substr(after.closeStart), original.substr(before.closeStart));

    EXPECT_EQ(CleanPage(path.c_str(), {}, info, &form), PageOutcome::Unchanged);
    EXPECT_EQ(ReadFile(path), tidied) << "tidying again changed the archive";
  }
}

const std::string kCataloguePage =
    "<html><head><title>Kaze " + std::string(kTitleMarker) + "</title></head>\n"
    "<body class=\"anime\"><div class=\"menu\">clutter</div><div class=\"g_section info\">"
    "<h2>info</h2></div><div><table><tr><th>Official Title</th><td title=\"english\">"
    "\xD0\x92\xD0\xB5\xD1\x82\xD0\xB5\xD1\x80</td></tr></table></div>"
    "<p class=\"desc\">d</p><div class=\"g_section vote\">vote</div></body></html>\n";

// An archive of one page part and a script part, its lines ending in `lineBreak`.
std::string Archive(std::string pageFields, std::string pageBody, std::string lineBreak = "\r\n") {
  const std::string archive =
      "MIME-Version: 1.0\nContent-Type: multipart/related;\n boundary=\"b0\"\n\n--b0\n" +
      pageFields + "\n\n" + pageBody + "\n--b0\nContent-Type: text/javascript\n\nrun();\n--b0--\n";
  std::string withBreaks;
  for (const char c : archive) withBreaks += c == '\n' ? lineBreak : std::string(1, c);
  return withBreaks;
}

TEST(WebArchives, ThatAreDamagedOrHoldNoCataloguePageKeepEveryByte) {
  const std::string qp = "Content-Transfer-Encoding: quoted-printable";
  const std::string unclosed = Archive("Content-Type: text/html", kCataloguePage);
  const std::tuple<const char*, std::string, PageForm> cases[] = {
      {"no closing delimiter", unclosed.substr(0, unclosed.rfind("--b0--")),
       PageForm::DamagedWebArchive},
      {"a part's fields cut", "Content-Type: multipart/related; boundary=b\r\n\r\n--b\r\n"
       "Content-Type: text/html\r\n--b--\r\n", PageForm::DamagedWebArchive},
      {"no boundary", "Content-Type: multipart/related\r\n\r\n--b\r\n\r\nx\r\n--b--\r\n",
       PageForm::DamagedWebArchive},
      {"an unknown encoding", Archive("Content-Type: text/html\nContent-Transfer-Encoding: x-uue",
                                      kCataloguePage), PageForm::DamagedWebArchive},
      {"a broken escape", Archive("Content-Type: text/html\n" + qp, kCataloguePage + "=Z1"),
       PageForm::DamagedWebArchive},
      {"broken base64", Archive("Content-Type: text/html\nContent-Transfer-Encoding: base64",
                                "QUJD=A==\n"), PageForm::DamagedWebArchive},
      // Tidied, the page would hold the delimiter at the start of a line: it could not be read
      // back whole.
      {"a delimiter in the page", Archive("Content-Type: text/html", kCataloguePage + "<div class="
                                          "\"g_section g_notebox\">\n</div>--b0\n"),
       PageForm::DamagedWebArchive},
      {"not a catalogue page", Archive("Content-Type: text/html", "<p>Kaze</p>"),
       PageForm::WebArchive},
      {"no page", Archive("Content-Type: image/gif", kCataloguePage), PageForm::WebArchive},
      {"a page with a header", "Content-Type: text/html\r\n\r\n" + kCataloguePage, PageForm::Page},
  };
  for (const auto& [what, archive, form] : cases) {
    RewrittenPage out;
    TitleInfo info;
    ASSERT_TRUE(RewritePage(archive, true, out, info)) << what;
    EXPECT_EQ(out.form, form) << what;
    if (form == PageForm::Page) continue;
    EXPECT_EQ(out.bytes, archive) << what;
    EXPECT_STREQ(info.title, "") << what;
  }
}

std::string Base64(std::string_view bytes) {
  GrowBuffer out;
  EXPECT_TRUE(mime::EncodeBase64(bytes, 60, "\n", out));
  return std::string(out.View());
}

// Either line break, each encoding; values keep the page's bytes, read in the charset of the
// part's header, else of the page (none here).
TEST(WebArchives, AreTidiedInTheirOwnEncodingAndCharset) {
  const std::string fields = "Content-Type: text/html";
  const char* const kaze = "\xD0\x92\xD0\xB5\xD1\x82\xD0\xB5\xD1\x80";
  const PageCharset utf8 = PageCharset::Utf8, other = PageCharset::Other;
  const std::tuple<std::string, std::string, const char*, PageCharset> cases[] = {
      {fields, kCataloguePage, kaze, other},
      {fields + "; charset=\"UTF-8\"\nContent-Transfer-Encoding: 8bit", kCataloguePage, kaze,
       utf8},
      {fields + "; charset=utf-8\nContent-Transfer-Encoding: Base64", Base64(kCataloguePage), kaze,
       utf8},
      {fields + "\nContent-Transfer-Encoding: base64", Base64("<p>Kaze</p>"), "", other},
  };
  for (const std::string lineBreak : {"\r\n", "\n"}) {
    for (const auto& [pageFields, body, english, charset] : cases) {
      const std::string archive = Archive(pageFields, body, lineBreak);
      RewrittenPage out;
      TitleInfo info;
      ASSERT_TRUE(RewriteWebArchive(archive, out, info));
      ASSERT_EQ(out.form, PageForm::WebArchive) << pageFields;
      EXPECT_STREQ(info.english, english) << pageFields;
      EXPECT_EQ(info.charset, charset) << pageFields;
      const std::string page = PageIn(archive);
      const std::string tidied = TidiedAsASavedPage(page, std::nullopt);
      EXPECT_EQ(PageIn(out.bytes), tidied) << pageFields;
      EXPECT_EQ(Parts(out.bytes).parts.size(), tidied == page ? 2u : 1u) << pageFields;
    }
  }
}

TEST(TransferEncodings, WriteLinesOfTheirLengthAndReadBackEveryByte) {
  // Quoted-printable: hard breaks where the text has its line break, a blank before one
  // encoded, "=" and other bytes as escapes, soft breaks within 76 characters.
  const std::string cyrillic = "\xD0\xA1\xD1\x82\xD0\xB0\xD1\x80\xD1\x8B\xD0\xB9 ";
  std::string long_;
  for (int i = 0; i < 6; ++i) long_ += cyrillic;
  const std::tuple<std::string, std::string, std::string> quoted[] = {
      {"a=b \r\nc\td\n\r", "\r\n", "a=3Db=20\r\nc\td=0A=0D"},
      {"x \ny", "\n", "x=20\ny"},
      {std::string(80, 'a'), "\r\n", std::string(75, 'a') + "=\r\naaaaa"},
      {long_.substr(0, 27), "\n",
       "=D0=A1=D1=82=D0=B0=D1=80=D1=8B=D0=B9 =D0=A1=D1=82=D0=B0=D1=80=D1=8B=D0=B9 =\n=D0"},
  };
  for (const auto& [bytes, lineBreak, encoded] : quoted) {
    GrowBuffer out, back;
    ASSERT_TRUE(mime::EncodeQuotedPrintable(bytes, lineBreak, out));
    EXPECT_EQ(out.View(), encoded);
    ASSERT_TRUE(mime::DecodeQuotedPrintable(out.View(), back));
    EXPECT_EQ(back.View(), bytes);
  }
  GrowBuffer lenient;
  ASSERT_TRUE(mime::DecodeQuotedPrintable("a=3d=  \r\nb=\n=", lenient));
  EXPECT_EQ(lenient.View(), "a=b");

  const std::tuple<std::string, size_t, std::string> base64[] = {
      {"", 4, ""}, {"a", 4, "YQ=="}, {"ab", 4, "YWI="}, {"abcdef", 4, "YWJj\r\nZGVm"},
      {"abcdefg", 0, "YWJjZGVmZw=="}, {std::string("\xFF\xFE\x00", 3), 2, "//\r\n4A"},
  };
  for (const auto& [bytes, length, encoded] : base64) {
    GrowBuffer out, back;
    ASSERT_TRUE(mime::EncodeBase64(bytes, length, "\r\n", out));
    EXPECT_EQ(out.View(), encoded);
    ASSERT_TRUE(mime::DecodeBase64(out.View(), back));
    EXPECT_EQ(back.View(), bytes);
  }
  for (const char* broken : {"YQ=", "Y===", "YQ==YQ==", "YQ-="}) {
    GrowBuffer out;
    EXPECT_FALSE(mime::DecodeBase64(broken, out)) << broken;
  }
}

}  // namespace
}  // namespace page
