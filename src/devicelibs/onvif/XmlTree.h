#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

namespace strovik {

// An XML document read into memory, names without their namespace prefixes. Device answers are
// read this way so that every parser below is a walk over a finished tree instead of a state
// machine over a stream.
struct XmlElement {
    QString name;  // local name
    QString text;  // the element's own character data, trimmed
    std::vector<std::pair<QString, QString>> attributes;  // local name, value
    std::vector<XmlElement> children;

    const XmlElement* child(QStringView localName) const;
    // Follows children by local name; nullptr where one is missing.
    const XmlElement* path(std::initializer_list<QStringView> localNames) const;
    // Every element of that local name below this one (not this one), in document order.
    std::vector<const XmlElement*> descendants(QStringView localName) const;
    // Empty when absent.
    QString attribute(QStringView localName) const;
    // The trimmed text of a child, empty when absent.
    QString childText(QStringView localName) const;
};

// What a document may spend. Answers come from devices on the network, so both are enforced
// while reading, not afterwards.
struct XmlLimits {
    std::size_t maxElements = 20000;
    int maxDepth = 48;
};

// nullopt for anything that is not one well-formed document within the limits, and for documents
// with a DTD (entity declarations are the classic way to make a small answer huge).
std::optional<XmlElement> ParseXmlTree(QByteArrayView document, const XmlLimits& limits = {});

}  // namespace strovik
