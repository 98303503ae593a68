// Names stored without the UTF-8 flag by tools of Russian, Japanese, Chinese, Central European and
// Western systems: read in their code page, found from the names themselves or named with -O.
#include <gtest/gtest.h>
#include <iconv.h>

#include "test_support.h"

using namespace testkit;

namespace {

// `utf8` in `charset`, as a tool of that system stored it.
std::string encoded(const std::string& utf8, const char* charset) {
  iconv_t cd = iconv_open(charset, "UTF-8");
  std::string out(utf8.size() * 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size(), outLeft = out.size();
  char* to = out.data();
  const bool ok = cd != reinterpret_cast<iconv_t>(-1) && iconv(cd, &in, &inLeft, &to, &outLeft) != size_t(-1);
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  out.resize(ok ? out.size() - outLeft : 0);
  return out;
}

struct CodePage {
  const char* charset;
  int32_t found;  // the code page found from the names (GB18030 reads all that code page 936 does)
  std::vector<std::string> names;
};

const CodePage kCodePages[] = {
    {"CP866", 866, {"Отчёт.txt", "Документы/Письмо директору.doc", "Счёт-фактура №15.xls"}},
    {"CP932", 932, {"報告書.txt", "資料/会議の議事録.doc", "見積書（最終版）.xls"}},
    {"CP936", 54936, {"报告.txt", "文件/会议记录.doc", "发票清单.xls"}},
    {"CP1250", 1250, {"Zpráva.txt", "Dokumenty/Účetní závěrka.doc", "Žluťoučký kůň.xls"}},
    {"CP850", 850, {"Café.txt", "Año/Niño.doc", "Ålborg Ørsted.xls"}},
};

// An archive as a tool of that system writes it: a DOS host, no UTF-8 flag, the name's bytes.
std::string legacyArchive(const CodePage& page) {
  std::vector<RawEntry> entries;
  for (const std::string& name : page.names) {
    RawEntry e = rawFile(encoded(name, page.charset), name + "\n");
    EXPECT_FALSE(e.name.empty()) << name;
    e.versionMadeBy = 0x0014;
    e.externalAttributes = 0x20;
    entries.push_back(e);
  }
  return buildArchive(entries);
}

TEST(NameEncoding, EachCodePageIsFoundFromTheNamesOrNamedAndExtractsThere) {
  for (const CodePage& page : kCodePages) {
    SCOPED_TRACE(page.charset);
    TempDir dir;
    const std::string archive = dir / "legacy.zip";
    writeFile(archive, legacyArchive(page));
    for (const std::vector<std::string>& charset : {std::vector<std::string>{}, {"-O", page.charset}}) {
      Library lib;
      std::vector<std::string> vector = {""};
      vector.insert(vector.end(), charset.begin(), charset.end());
      vector.insert(vector.end(), {"-v", archive});
      ASSERT_EQ(lib.run(vector), 0);
      EXPECT_EQ(lib.names(zipabi::zcmListing), page.names);
      // The listing says which code page it read the names in.
      const auto said = lib.of(zipabi::zcmNameCodePage);
      ASSERT_EQ(said.size(), 1u);
      EXPECT_EQ(said[0].value, charset.empty() ? page.found : std::stoi(page.charset + 2));
    }
    Library lib;
    ASSERT_EQ(lib.run({"", "-o", archive, "-d", dir / "out"}), 0);
    for (const std::string& name : page.names) EXPECT_EQ(readFile(dir / "out/" + name), name + "\n") << name;
    // Python's zipfile, told the code page, reads the same names (Debian's unzip has no -O).
    std::string listed;
    ASSERT_EQ(sh("python3 -c \"import sys, zipfile; print('\\n'.join(zipfile.ZipFile(sys.argv[1], "
                 "metadata_encoding=sys.argv[2]).namelist()))\" '" +
                     archive + "' " + page.charset,
                 &listed),
              0)
        << listed;
    for (const std::string& name : page.names)
      EXPECT_NE(listed.find(name + "\n"), std::string::npos) << listed;
  }
}

TEST(NameEncoding, CodePage437StaysTheDefaultAndAnUnknownCodePageIsRefused) {
  TempDir dir;
  const std::string archive = dir / "dos.zip";
  std::vector<RawEntry> entries;
  for (const std::string name : {"M\x81ller.txt",
                                 "Gr\x94\xe1"
                                 "e.txt",
                                 "\x8e"
                                 "rger.txt"}) {
    entries.push_back(rawFile(name, "x"));
    entries.back().versionMadeBy = 0x0014;
  }
  writeFile(archive, buildArchive(entries));
  Library lib;
  ASSERT_EQ(lib.run({"", "-v", archive}), 0);
  EXPECT_EQ(lib.names(zipabi::zcmListing),
            (std::vector<std::string>{"Müller.txt", "Größe.txt", "Ärger.txt"}));
  ASSERT_EQ(lib.of(zipabi::zcmNameCodePage).size(), 1u);
  EXPECT_EQ(lib.of(zipabi::zcmNameCodePage)[0].value, 437);
  Library refused;
  EXPECT_NE(refused.run({"", "-O", "NO-SUCH-CODE-PAGE", "-v", archive}), 0);
  EXPECT_TRUE(refused.names(zipabi::zcmListing).empty());
}

}  // namespace
