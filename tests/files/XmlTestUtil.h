// Small helpers of the document tests: parse a text, write a temporary file.
#pragma once

#include <gtest/gtest.h>

#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>

#include "files/FirmwareXml.h"

namespace ravok::test {

inline QDomDocument Doc(const QByteArray& text) {
  QDomDocument doc;
  QString error;
  EXPECT_TRUE(ParseXml(text, doc, &error)) << error.toStdString();
  return doc;
}

inline QString DataFile(const char* name) {
  return QStringLiteral(RAVOK_FILES_DATA "/") + QString::fromLatin1(name);
}

// A scratch folder that lives as long as the test.
class TempFiles {
 public:
  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }
  QString Copy(const QString& from, const QString& name) {
    QFile f(from);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return Write(name, f.readAll());
  }

 private:
  QTemporaryDir dir_;
};

}  // namespace ravok::test
