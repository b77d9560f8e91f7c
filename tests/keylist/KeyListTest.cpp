#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "keylist/KeyList.h"
#include "tests/keylist/QtPrinters.h"

namespace ravok {
namespace {

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

QStringList Keys(int n) {
  QStringList keys;
  for (int i = 0; i < n; ++i) keys << QStringLiteral("ABCDEF01234567%1").arg(i % 100, 2, 10, QLatin1Char('0'));
  return keys;
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& path, const QByteArray& data) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(data);
}

TEST(KeyListBinaryTest, HeaderAndPages) {
  struct Case {
    std::string name;
    int keys;
    QString crcc;
    QByteArray header;
    int pages;
  };
  const std::vector<Case> cases = {
      {"three keys", 3, "1", Hex("FEEDFACE30000000020001000100 0000"), 1},
      {"no keys: n = 0, one page", 0, "7", Hex("FEEDFACE000000000200010007000000"), 1},
      {"exactly 16 keys: two pages", 16, "123456", Hex("FEEDFACE0001000002000200 40E20100"), 2},
      {"17 keys", 17, "1", Hex("FEEDFACE1001000002000200 01000000"), 2},
      {"CRCC not a number: list 0", 1, "abc", Hex("FEEDFACE100000000200010000000000"), 1},
      {"negative CRCC: low 32 bits", 1, "-1", Hex("FEEDFACE1000000002000100FFFFFFFF"), 1},
      {"CRCC above 32 bits", 1, "4294967298", Hex("FEEDFACE100000000200010002000000"), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QStringList keys = Keys(c.keys);
    const QByteArray bin = BuildKeyListBinary(keys, ListNumberOf(c.crcc));
    ASSERT_EQ(bin.size(), 16 + 256 * c.pages);
    EXPECT_EQ(bin.left(16).toHex(' '), c.header.toHex(' '));
    EXPECT_EQ(bin.mid(16, 16 * c.keys), keys.join(QString()).toLatin1());
    EXPECT_EQ(bin.mid(16 + 16 * c.keys), QByteArray(256 * c.pages - 16 * c.keys, '\xFF'));
  }
}

TEST(KeyListBinaryTest, KeysAreStoredAsTheLowByteOfEachCharacter) {
  const QStringList keys = {QStringLiteral("00000000000000\u00E9\u0141")};
  EXPECT_EQ(BuildKeyListBinary(keys, 1).mid(16, 16).toHex(),
            QByteArray("3030303030303030303030303030e941"));
}

TEST(KeyListNamesTest, SuggestedNames) {
  struct Case {
    QString crcc, xml, bin;
  };
  const std::vector<Case> cases = {
      {"1", "DallasList_1.xml", "DallasList_000001_USB.bin"},
      {"123456", "DallasList_123456.xml", "DallasList_123456_USB.bin"},
      {"1234567", "DallasList_1234567.xml", "DallasList_1234567_USB.bin"},
      {"abc", "DallasList_abc.xml", "DallasList_000abc_USB.bin"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SuggestedXmlName(c.crcc), c.xml);
    EXPECT_EQ(SuggestedBinName(c.crcc), c.bin);
  }
}

TEST(KeyListColorsTest, LineRule) {
  using R = ColorRole;
  struct Case {
    int line;
    QString text;
    LineColors expected;
  };
  const std::vector<Case> cases = {
      {1, "0123456789ABCDE", {R::WindowText, R::Highlight}},     // 15 characters
      {2, "0123456789ABCDEF0", {R::WindowText, R::Highlight}},   // 17 characters
      {3, "", {R::WindowText, R::Highlight}},
      {1, "0000000000000001", {R::Window, R::WindowText}},
      {4, "0000000000000002", {R::Window, R::WindowText}},
      {5, "0000000000000003", {R::WindowText, R::Window}},
      {1, "0123456789ABCDEF", {R::WindowText, R::Window}},
      {2, "0123456789ABCDEF", {R::WindowText, R::ButtonFace}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    EXPECT_EQ(KeyLineColors(c.line, c.text), c.expected);
  }
}

TEST(KeyListLinesTest, EditorTextToLines) {
  EXPECT_EQ(LinesOf(""), QStringList());
  EXPECT_EQ(LinesOf("a"), QStringList({"a"}));
  EXPECT_EQ(LinesOf("a\n\nb\n"), QStringList({"a", "", "b", ""}));
}

TEST(KeyListXmlTest, WrittenDocument) {
  KeyList list;
  list.keys = {"0123456789ABCDEF", "0000000000000001"};
  list.description = {"car 12", "R&D <fleet>"};
  list.crcc = "5";
  EXPECT_EQ(QString::fromUtf8(BuildKeyListXml(list, "11.12.26")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<ravok ver=\"1\">\n"
            "  <data type=\"2\" crcc=\"5\" ver=\"1.000.000\" release=\"11.12.26\">\n"
            "    <text>0123456789ABCDEF</text>\n"
            "    <text>0000000000000001</text>\n"
            "    <description>car 12</description>\n"
            "    <description>R&amp;D &lt;fleet&gt;</description>\n"
            "  </data>\n"
            "</ravok>\n");
}

TEST(KeyListXmlTest, ReaderWalk) {
  struct Case {
    std::string name;
    QByteArray xml;
    QStringList keys, description;
    QString crcc, version;
  };
  const std::vector<Case> cases = {
      {"data of type 1 and other roots are skipped",
       "<ravok><data type=\"1\" crcc=\"9\"><text>1111111111111111</text></data>"
       "<data type=\"2\" crcc=\"3\" ver=\"v\"><text>2222222222222222</text></data></ravok>",
       {"2222222222222222"}, {}, "3", "v"},
      {"several data elements in document order, fields of the last",
       "<ravok><data type=\"2\" crcc=\"1\" ver=\"a\"><text>k1</text><description>d1</description>"
       "</data><other/><data type=\"2\" crcc=\"2\" ver=\"b\"><x><text>no</text></x>"
       "<text>k2</text></data></ravok>",
       {"k1", "k2"}, {"d1"}, "2", "b"},
      {"missing attributes give empty fields; keys of any length are read",
       "<?xml version=\"1.0\"?><ravok><data type=\"02\"><text>short</text><text/></data></ravok>",
       {"short", ""}, {}, "", ""},
      {"nested ravok is not a top-level element",
       "<root><ravok><data type=\"2\"><text>k</text></data></ravok></root>", {}, {}, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    KeyList list;
    ASSERT_TRUE(ParseKeyListXml(c.xml, list));
    EXPECT_EQ(list.keys, c.keys);
    EXPECT_EQ(list.description, c.description);
    EXPECT_EQ(list.crcc, c.crcc);
    EXPECT_EQ(list.version, c.version);
  }
}

TEST(KeyListXmlTest, MalformedDocumentLeavesTheListAlone) {
  for (const char* xml : {"", "<ravok><data type=\"2\"><text>k</text></data>",
                          "<ravok/><ravok/>", "<ravok></ravok><!"}) {
    SCOPED_TRACE(xml);
    KeyList list;
    list.keys = {"kept"};
    QString error;
    EXPECT_FALSE(ParseKeyListXml(xml, list, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(list.keys, QStringList({"kept"}));
  }
}

class KeyListFileTest : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QTemporaryDir dir_;
};

TEST_F(KeyListFileTest, WriteThenOpenRestoresTheWindow) {
  KeyList written;
  written.keys = Keys(3);
  written.description = {"fleet north", "", "  indented"};
  written.crcc = "42";
  written.version = "2.001.000";
  const QString path = Path("list.xml");
  const KeyListOutcome w = WriteKeyList(path, written, "01/02/2026");
  EXPECT_TRUE(w.ok);
  EXPECT_EQ(w.status, "Ready: 3 lines");

  KeyList read;
  const KeyListOutcome r = OpenKeyList(path, read);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.status, "Ready: 3 lines");
  EXPECT_EQ(read.keys, written.keys);
  EXPECT_EQ(read.description, written.description);
  EXPECT_EQ(read.crcc, "42");
  EXPECT_EQ(read.version, "2.001.000");
}

TEST_F(KeyListFileTest, OpenFailures) {
  const QString noKeys = Path("nokeys.xml");
  WriteFile(noKeys, "<ravok><data type=\"2\" crcc=\"8\" ver=\"x\"><description>d</description>"
                    "</data></ravok>");
  KeyList list;
  list.keys = {"old"};
  KeyListOutcome o = OpenKeyList(noKeys, list);
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.status, "Can not read file: " + noKeys);
  // The window holds only what the file had.
  EXPECT_EQ(list.keys, QStringList());
  EXPECT_EQ(list.description, QStringList({"d"}));
  EXPECT_EQ(list.crcc, "8");

  for (const QString& path : {Path("missing.xml"), Path("bad.xml")}) {
    if (path.endsWith("bad.xml")) WriteFile(path, "<ravok><data");
    KeyList kept;
    kept.keys = {"old"};
    o = OpenKeyList(path, kept);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.status, "Can not read file: " + path);
    EXPECT_EQ(kept.keys, QStringList({"old"}));
  }
}

TEST_F(KeyListFileTest, ExportWritesTheBinary) {
  KeyList list;
  list.keys = Keys(3);
  const QString path = Path(SuggestedBinName(list.crcc));
  const KeyListOutcome o = ExportKeyList(path, list);
  EXPECT_TRUE(o.ok);
  EXPECT_EQ(o.status, "Ready: 3 lines");
  EXPECT_TRUE(path.endsWith("/DallasList_000001_USB.bin"));
  const QByteArray bin = ReadAll(path);
  ASSERT_EQ(bin.size(), 16 + 256);
  EXPECT_EQ(bin.left(16), Hex("FEEDFACE300000000200010001000000"));
  EXPECT_EQ(bin.mid(16, 48), list.keys.join(QString()).toLatin1());
  EXPECT_EQ(bin.mid(64), QByteArray(208, '\xFF'));
}

// A wrong line must not destroy a list written earlier under the same name, neither for the
// XML nor for the binary the data server hands out.
TEST_F(KeyListFileTest, WrongLineWritesNothing) {
  KeyList list;
  list.keys = {"0123456789ABCDEF", "0123456789ABCDE", "also wrong"};
  struct Op {
    const char* file;
    KeyListOutcome (*run)(const QString&, const KeyList&);
  };
  const Op ops[] = {
      {"a.xml", [](const QString& p, const KeyList& l) { return WriteKeyList(p, l); }},
      {"a.bin", [](const QString& p, const KeyList& l) { return ExportKeyList(p, l); }},
  };
  for (const auto& op : ops) {
    SCOPED_TRACE(op.file);
    const QString path = Path(op.file);
    WriteFile(path, "previous");
    const KeyListOutcome o = op.run(path, list);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.status, "Error in line: 2 data: 0123456789ABCDE");
    EXPECT_EQ(ReadAll(path), "previous");
    EXPECT_FALSE(op.run(Path(QString("new_") + op.file), list).ok);
    EXPECT_FALSE(QFile::exists(Path(QString("new_") + op.file)));
  }
}

TEST_F(KeyListFileTest, UnwritablePathAndTooManyKeys) {
  KeyList list;
  list.keys = Keys(1);
  const QString path = Path("no/such/dir/x.bin");
  KeyListOutcome o = ExportKeyList(path, list);
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.status, "Can not write file: " + path);
  EXPECT_FALSE(WriteKeyList(path, list).ok);

  list.keys = Keys(kMaxKeyListKeys);
  EXPECT_TRUE(ExportKeyList(Path("max.bin"), list).ok);
  EXPECT_EQ(ReadAll(Path("max.bin")).size(), 16 + 256 * 993);
  list.keys << list.keys.front();
  o = ExportKeyList(Path("over.bin"), list);
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.status, "Too many keys: 15873 (at most 15872)");
  EXPECT_FALSE(QFile::exists(Path("over.bin")));
}

}  // namespace
}  // namespace ravok
