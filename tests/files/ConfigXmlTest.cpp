#include <gtest/gtest.h>

#include "files/ConfigXml.h"
#include "tests/files/XmlTestUtil.h"
#include "tests/support/FakeShell.h"

namespace ravok {
namespace {

using test::Doc;

ConfigGrid CarGrid() {
  ConfigGrid grid;
  grid.rows = {{"APN", "internet"}, {"ServerPort", "9000"}};
  grid.description = "car 12";
  grid.deviceType = 8;
  return grid;
}

QByteArray ConfigDoc(const QByteArray& records, int device = 8) {
  return "<ravok ver=\"1\"><config device=\"" + QByteArray::number(device) + "\" type=\"1\">" +
         records + "</config></ravok>";
}

TEST(ConfigXmlTest, ExportWritesRecordsInGridOrderThenTheDescription) {
  EXPECT_EQ(ConfigXmlBytes(CarGrid()),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<ravok ver=\"1\">\n"
            "  <config device=\"8\" type=\"1\">\n"
            "    <record key=\"APN\" value=\"internet\"/>\n"
            "    <record key=\"ServerPort\" value=\"9000\"/>\n"
            "    <description>car 12</description>\n"
            "  </config>\n"
            "</ravok>\n");
}

TEST(ConfigXmlTest, ExportAndReadKeepMarkupAndLatin1Text) {
  ConfigGrid grid = CarGrid();
  grid.rows = {{"GsmNumber", "a&b<c>\"d'"}, {"Description", "Fahrzeug \xE4\xF6"}};
  grid.rows[1].value = QString::fromLatin1("Fahrzeug \xE4\xF6");
  grid.description = "x < y & \xC3\xA9";
  QStringList lines;
  QString description;
  QDomDocument doc;
  BuildConfigXml(doc, grid);
  ReadConfigXml(doc, 8, lines, &description);
  EXPECT_EQ(lines, grid.Lines());
  EXPECT_EQ(description, grid.description);
}

TEST(ConfigXmlTest, ReadTakesMatchingConfigsOnly) {
  const QByteArray xml = R"(<ravok>
      <config device="8" type="1"><record key="APN" value="a"/><skip key="X" value="1"/>
        <description>first</description></config>
      <config device="7" type="1"><record key="APN" value="seven"/></config>
      <config device="8" type="2"><record key="APN" value="type2"/></config>
      <config device="8" type="1"><record key="ServerPort"/><record value="v"/></config>
    </ravok>)";
  QStringList lines;
  QString description = "unchanged";
  ReadConfigXml(Doc(xml), 8, lines, &description);
  EXPECT_EQ(lines, (QStringList{"APN=a", "ServerPort=", "=v"}));
  EXPECT_EQ(description, "first");
}

TEST(ConfigXmlTest, ImportReplaceTakesTheFileInCatalogueOrder) {
  ConfigGrid grid;
  grid.deviceType = 8;
  grid.writeMode = WriteMode::Replace;
  grid.rows = {{"GsmNumber", "123"}};
  test::FakeShell shell;
  const QByteArray xml = ConfigDoc(
      R"(<record key="ServerPort" value="9000"/><record key="FrameConfig" value="1,2"/>)"
      R"(<record key="03E70002" value="01AB"/><record key="APN" value="internet"/>)"
      R"(<description>car 12</description>)");
  EXPECT_EQ(ImportConfigXml(shell, Doc(xml), grid), 1);
  EXPECT_TRUE(shell.messages.empty());
  const std::vector<ConfigRow> expected = {{"APN", "internet", false},
                                           {"ServerPort", "9000", false},
                                           {"FrameConfig", "1,2", true},  // typed editor
                                           {"03E70002", "01AB", false}};
  EXPECT_EQ(grid.rows, expected);
  EXPECT_EQ(grid.description, "car 12");
}

TEST(ConfigXmlTest, ImportOfAnotherDeviceTypeInReplaceModeTakesNothing) {
  ConfigGrid grid = CarGrid();
  grid.deviceType = 7;
  grid.writeMode = WriteMode::Replace;
  test::FakeShell shell;
  EXPECT_EQ(ImportConfigXml(shell, Doc(ConfigXmlBytes(CarGrid())), grid), 0);
  EXPECT_TRUE(grid.rows.empty());
  EXPECT_TRUE(shell.messages.empty());
}

TEST(ConfigXmlTest, ImportInsertKeepsGridRowsTheFileDoesNotSet) {
  struct Case {
    const char* name;
    QByteArray records;
    std::vector<ConfigRow> expected;
  };
  const Case cases[] = {
      {"file without the row", R"(<record key="APN" value="web"/>)",
       {{"APN", "web"}, {"ServerPort", "9001"}}},
      {"file value wins", R"(<record key="ServerPort" value="9000"/>)",
       {{"APN", "old"}, {"ServerPort", "9000"}}},
      // An empty file value counts as absent: both lines reach the grid, the row last.
      {"empty file value", R"(<record key="APN" value=""/>)",
       {{"APN", "old"}, {"ServerPort", "9001"}}},
  };
  for (const Case& c : cases) {
    ConfigGrid grid;
    grid.deviceType = 8;
    grid.rows = {{"ServerPort", "9001"}, {"APN", "old"}};
    test::FakeShell shell;
    EXPECT_EQ(ImportConfigXml(shell, Doc(ConfigDoc(c.records)), grid), 1) << c.name;
    EXPECT_EQ(grid.rows, c.expected) << c.name;
    EXPECT_TRUE(shell.messages.empty()) << c.name;
  }
}

TEST(ConfigXmlTest, ImportStopsAtTheFirstLineThatDoesNotEncode) {
  struct Case {
    const char* name;
    QByteArray records;
    QString message;
  };
  const Case cases[] = {
      {"unknown name", R"(<record key="Bogus" value="1"/>)", "Error in line: Bogus=1"},
      {"bad number", R"(<record key="ServerPort" value="90x"/>)", "Error in line: ServerPort=90x"},
  };
  for (const Case& c : cases) {
    ConfigGrid grid;
    grid.deviceType = 8;
    grid.writeMode = WriteMode::Replace;
    test::FakeShell shell;
    const QByteArray xml = ConfigDoc(R"(<record key="APN" value="web"/>)" + c.records +
                                     R"(<record key="Description" value="van"/>)");
    EXPECT_EQ(ImportConfigXml(shell, Doc(xml), grid), 0) << c.name;
    EXPECT_EQ(shell.Texts(), QStringList{c.message}) << c.name;
    // Lines sorted before the bad one stay in the grid; none after it is taken.
    for (const ConfigRow& row : grid.rows) EXPECT_NE(row.name, "Bogus") << c.name;
    ASSERT_FALSE(grid.rows.empty()) << c.name;
    EXPECT_EQ(grid.rows.front(), (ConfigRow{"Description", "van"})) << c.name;
  }
}

TEST(ConfigXmlTest, RawLineWithNonHexValueShowsTheConversionMessage) {
  ConfigGrid grid;
  grid.deviceType = 8;
  grid.writeMode = WriteMode::Replace;
  test::FakeShell shell;
  EXPECT_EQ(ImportConfigXml(shell, Doc(ConfigDoc(R"(<record key="03E70002" value="01G1"/>)")), grid),
            0);
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_FALSE(shell.messages[0].text.isEmpty());
  EXPECT_EQ(shell.messages[0].kind, MsgKind::Error);
  EXPECT_TRUE(grid.rows.empty());
}

TEST(ConfigXmlTest, LoadConfigLinesReadsXmlOrTextFiles) {
  test::TempFiles files;
  struct Case {
    const char* name;
    QByteArray contents;
    bool ok;
    QStringList lines;
  };
  const Case cases[] = {
      {"config.xml", ConfigXmlBytes(CarGrid()), true, {"APN=internet", "ServerPort=9000"}},
      {"bom.xml", "\xEF\xBB\xBF" + ConfigXmlBytes(CarGrid()), true,
       {"APN=internet", "ServerPort=9000"}},
      {"lines.txt", "APN=internet\r\n\r\nServerPort=9000\nDescription=van", true,
       {"APN=internet", "ServerPort=9000", "Description=van"}},
      {"latin1.txt", "Description=K\xF6ln\n", true, {QString::fromLatin1("Description=K\xF6ln")}},
      {"utf8.txt", "Description=K\xC3\xB6ln\n", true, {QString::fromLatin1("Description=K\xF6ln")}},
      {"other-device.xml", ConfigXmlBytes([] { auto g = CarGrid(); g.deviceType = 5; return g; }()),
       false, {}},
      {"broken.xml", "<ravok><config device=\"8\" type=\"1\">", false, {}},
      {"empty.txt", "\n\n", false, {}},
  };
  for (const Case& c : cases) {
    QStringList lines{"stale"};
    QString error;
    EXPECT_EQ(LoadConfigLines(files.Write(c.name, c.contents), 8, lines, &error), c.ok) << c.name;
    EXPECT_EQ(error.isEmpty(), c.ok) << c.name << ": " << error.toStdString();
    if (c.ok) {
      EXPECT_EQ(lines, c.lines) << c.name;
    }
  }
  QStringList lines;
  QString error;
  EXPECT_FALSE(LoadConfigLines("/nonexistent/config.xml", 8, lines, &error));
  EXPECT_FALSE(error.isEmpty());
}

TEST(ConfigXmlTest, ReadConfigFileImportsXmlAsImportDoesAndKeepsTextAsWritten) {
  test::TempFiles files;
  const QByteArray dup =
      "<ravok ver=\"1\"><config device=\"8\" type=\"1\">"
      "<record key=\"ServerPort\" value=\"1\"/><record key=\"Description\" value=\"A\"/>"
      "<record key=\"ServerPort\" value=\"2\"/></config>"
      "<config device=\"8\" type=\"1\"><record key=\"APN\" value=\"x\"/></config></ravok>";
  struct Case {
    const char* name;
    QByteArray contents;
    ConfigFileResult result;
    QStringList lines;
    int messages;
  };
  const Case cases[] = {
      {"dup.xml", dup, ConfigFileResult::Read, {"Description=A", "APN=x", "ServerPort=2"}, 0},
      {"other-device.xml", ConfigXmlBytes([] { auto g = CarGrid(); g.deviceType = 5; return g; }()),
       ConfigFileResult::Read, {}, 0},
      {"lines.txt", "ServerPort=1\nDescription=A\nServerPort=2\n", ConfigFileResult::Read,
       {"ServerPort=1", "Description=A", "ServerPort=2"}, 0},
      {"empty.txt", "\n", ConfigFileResult::Read, {}, 0},
      {"broken.xml", "<ravok><config device=\"8\" type=\"1\">", ConfigFileResult::Unreadable,
       {}, 0},
      {"refused.xml",
       "<ravok><config device=\"8\" type=\"1\"><record key=\"ServerPort\" value=\"x\"/>"
       "</config></ravok>",
       ConfigFileResult::Refused, {}, 1},
  };
  for (const Case& c : cases) {
    test::FakeShell shell;
    QStringList lines{"stale"};
    QString error;
    EXPECT_EQ(ReadConfigFile(shell, files.Write(c.name, c.contents), 8, lines, &error), c.result)
        << c.name;
    if (c.result == ConfigFileResult::Read) {
      EXPECT_EQ(lines, c.lines) << c.name;
    }
    EXPECT_EQ(static_cast<int>(shell.messages.size()), c.messages) << c.name;
  }
}

}  // namespace
}  // namespace ravok
