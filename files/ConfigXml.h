// Configuration XML: ravok (ver 1) > config (device, type 1) > record (key, value)...,
// description. Written on export, read on import, and read by the command-line tool and
// the simulated tracker as a configuration to write.
#pragma once

#include <QDomDocument>
#include <QString>
#include <QStringList>
#include <vector>

namespace ravok {

class Shell;

// One row of the configuration grid: parameter name and value text.
struct ConfigRow {
  QString name;
  QString value;
  // The value is edited with the typed editor (ellipsis button) rather than as plain text.
  bool ellipsis = false;
  friend bool operator==(const ConfigRow&, const ConfigRow&) = default;
};

// Insert keeps grid rows the imported file does not set; Replace takes only the file.
enum class WriteMode { Insert = 0, Replace = 1 };

constexpr int kFirstDeviceType = 4;
constexpr int kLastDeviceType = 13;

// The configuration grid without widgets: the rows in order, the configuration's
// description text, the selected device type number (4..13) and the write mode.
struct ConfigGrid {
  std::vector<ConfigRow> rows;
  QString description;
  int deviceType = kFirstDeviceType;
  WriteMode writeMode = WriteMode::Insert;

  // Index of the first row with exactly this name, or -1.
  int FindRow(const QString& name) const;
  // The rows as parameter lines "name=value".
  QStringList Lines() const;
};

inline const QString kMsgErrorInLine = QStringLiteral("Error in line: ");

// The configuration as written to a file or uploaded: XML declaration, UTF-8, indented;
// ravok ver=1 > config device/type=1 > one record (key, value) per grid row in order, then
// the description. Attributes keep this order. Write files and uploads from these bytes:
// QDomDocument::toByteArray does not keep the order of attributes.
QByteArray ConfigXmlBytes(const ConfigGrid& grid);
// The same document as a DOM, for callers that work on documents.
void BuildConfigXml(QDomDocument& doc, const ConfigGrid& grid);

// Appends "key=value" for every record of every config element whose device equals
// deviceType and whose type is 1, in document order; a description element sets
// *description (when given).
void ReadConfigXml(const QDomDocument& doc, int deviceType, QStringList& lines,
                   QString* description);

// Import into the grid: reads the document for grid.deviceType, in Insert mode keeps grid
// rows the file does not set (an empty value counts as not set), sorts by catalogue
// position, clears the grid and takes each line that encodes. The first line that does
// not encode shows "Error in line: " + line and ends with 0, the earlier rows kept.
// Result 1 when at least one line was taken, else 0.
int ImportConfigXml(Shell& shell, const QDomDocument& doc, ConfigGrid& grid);

// A configuration file as parameter lines, whatever its form: a configuration XML (the
// config for deviceType) or a text file with one "name=value" line per parameter (blank
// lines skipped). False with *error set when the file cannot be read, is not well-formed
// XML, or holds no parameter line for this device type.
bool LoadConfigLines(const QString& file, int deviceType, QStringList& lines, QString* error);

enum class ConfigFileResult { Read, Unreadable, Refused };

// A configuration file to write to a tracker. A configuration XML is imported as Import
// does it (the config for deviceType, catalogue order, one line per name with the last
// value winning), so a write sends what an import would have shown; a text file gives its
// parameter lines as written. An empty result is no error: the write asks about it.
// Unreadable: the file cannot be read or is not well-formed XML (*error says why).
// Refused: a line does not encode; the import has shown its message.
ConfigFileResult ReadConfigFile(Shell& shell, const QString& file, int deviceType,
                                QStringList& lines, QString* error);

}  // namespace ravok
