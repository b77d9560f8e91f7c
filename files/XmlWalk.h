// How every document reader walks: the top-level elements named "ravok", then their child
// elements of one name; elements of other names are skipped. Names compare exactly.
#pragma once

#include <QDomDocument>
#include <QDomElement>
#include <QString>

namespace ravok {

// Calls fn(element) for each child element of parent named name, in document order.
template <typename Fn>
void ForEachChild(const QDomNode& parent, const QString& name, Fn&& fn) {
  for (QDomElement e = parent.firstChildElement(name); !e.isNull();
       e = e.nextSiblingElement(name))
    fn(e);
}

// Calls fn(element) for each element named name under each top-level "ravok".
template <typename Fn>
void ForEachSection(const QDomDocument& doc, const QString& name, Fn&& fn) {
  ForEachChild(doc, QStringLiteral("ravok"), [&](const QDomElement& root) {
    ForEachChild(root, name, fn);
  });
}

// An attribute read as a 32-bit integer: decimal after optional leading blanks and sign,
// or hexadecimal after "$" or "0x"; 0 when missing or not a number.
int AttributeInt(const QDomElement& e, const QString& name);

}  // namespace ravok
