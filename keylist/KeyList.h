// Driver key lists: the key list XML the creator writes and the manager reads, the binary
// list the data server hands out to trackers, the file names offered for both and the rule
// that colours the key lines. No widgets here; the window binds its controls to these.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace ravok {

// One key is exactly this many characters (a Dallas id written out); nothing else is checked.
constexpr int kKeyLength = 16;
constexpr int kKeyListPageSize = 256;
// The tracker's key image holds 253,952 key bytes (992 pages).
constexpr int kMaxKeyListKeys = 15872;
constexpr uint16_t kKeyListType = 2;

// The content of the window: keys, description lines, list number (CRCC) and version text.
struct KeyList {
  QStringList keys;
  QStringList description;
  QString crcc = QStringLiteral("1");
  QString version = QStringLiteral("1.000.000");
  friend bool operator==(const KeyList&, const KeyList&) = default;
};

// What an operation reports: success, and the status bar text (empty: leave it as it is).
struct KeyListOutcome {
  bool ok = false;
  QString status;
};

// The lines of an editor's plain text; an empty text has no lines.
QStringList LinesOf(const QString& plainText);

// "Ready: N lines".
QString ReadyText(int lines);

// 0-based index of the first key that is not kKeyLength characters long, or -1.
int FirstBadKey(const QStringList& keys);
// "Error in line: k data: line", k counted from 1.
QString BadLineText(int index, const QString& line);

// The list number stored in the binary: the CRCC read as an integer, 0 when it is not one,
// low 32 bits.
uint32_t ListNumberOf(const QString& crcc);

// "DallasList_<crcc>.xml" and "DallasList_<crcc padded with 0 to 6>_USB.bin".
QString SuggestedXmlName(const QString& crcc);
QString SuggestedBinName(const QString& crcc);

// Parses a key list XML document: every `data` of type 2 under `ravok` sets crcc and
// version and adds its `text` and `description` children in document order. On a parse
// error returns false, sets *error and leaves list untouched; otherwise list is replaced
// (even when the document held no key).
bool ParseKeyListXml(const QByteArray& xml, KeyList& list, QString* error = nullptr);

// The document the creator writes (UTF-8, declaration, indented). Assumes valid keys.
QByteArray BuildKeyListXml(const KeyList& list, const QString& release);

// The binary list: FE ED FA CE, n = 16 x keys, type 2, pages P = n / 256 + 1, list number,
// then the key characters (low 8 bits each) and 0xFF up to the end of the last page.
// Assumes valid keys.
QByteArray BuildKeyListBinary(const QStringList& keys, uint32_t listNumber);

// Today's date in the system's short date format (the `release` attribute).
QString TodayRelease();

// The file operations of the window's menu. OpenKeyList replaces list with what the file
// holds and fails when the file has no key; the other two write nothing when a key line is
// wrong and keep an existing file unless the new one was written completely.
KeyListOutcome OpenKeyList(const QString& path, KeyList& list);
KeyListOutcome WriteKeyList(const QString& path, const KeyList& list,
                            const QString& release = TodayRelease());
KeyListOutcome ExportKeyList(const QString& path, const KeyList& list);

// The colours of one key line in the editor, as colour roles of the platform's palette.
enum class ColorRole { WindowText, Window, Highlight, ButtonFace };
struct LineColors {
  ColorRole text;
  ColorRole background;
  friend bool operator==(const LineColors&, const LineColors&) = default;
};
// line counted from 1. Wrong length: highlighted; the two reserved keys ...0001 and ...0002:
// inverted; otherwise striped by odd and even lines.
LineColors KeyLineColors(int line, const QString& text);

}  // namespace ravok
