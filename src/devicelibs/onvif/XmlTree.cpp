#include "devicelibs/onvif/XmlTree.h"

#include <QXmlStreamReader>

namespace strovik {

const XmlElement* XmlElement::child(QStringView localName) const {
    for (const XmlElement& element : children)
        if (element.name == localName) return &element;
    return nullptr;
}

const XmlElement* XmlElement::path(std::initializer_list<QStringView> localNames) const {
    const XmlElement* at = this;
    for (const QStringView localName : localNames) {
        at = at->child(localName);
        if (!at) return nullptr;
    }
    return at;
}

std::vector<const XmlElement*> XmlElement::descendants(QStringView localName) const {
    std::vector<const XmlElement*> found;
    std::vector<const XmlElement*> pending{this};
    // Depth-first in document order without recursion: children are pushed last to first.
    while (!pending.empty()) {
        const XmlElement* at = pending.back();
        pending.pop_back();
        if (at != this && at->name == localName) found.push_back(at);
        for (auto element = at->children.rbegin(); element != at->children.rend(); ++element)
            pending.push_back(&*element);
    }
    return found;
}

QString XmlElement::attribute(QStringView localName) const {
    for (const auto& [key, value] : attributes)
        if (key == localName) return value;
    return {};
}

QString XmlElement::childText(QStringView localName) const {
    const XmlElement* element = child(localName);
    return element ? element->text : QString();
}

std::optional<XmlElement> ParseXmlTree(QByteArrayView document, const XmlLimits& limits) {
    QXmlStreamReader reader(QByteArray::fromRawData(document.data(), document.size()));
    std::optional<XmlElement> root;
    std::vector<XmlElement*> open;  // the elements being read, innermost last
    std::size_t elementCount = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
            case QXmlStreamReader::DTD:
            case QXmlStreamReader::EntityReference:
                return std::nullopt;
            case QXmlStreamReader::StartElement: {
                if (++elementCount > limits.maxElements || static_cast<int>(open.size()) >= limits.maxDepth)
                    return std::nullopt;
                XmlElement element;
                element.name = reader.name().toString();
                for (const QXmlStreamAttribute& attribute : reader.attributes())
                    element.attributes.emplace_back(attribute.name().toString(), attribute.value().toString());
                if (open.empty()) {
                    if (root) return std::nullopt;
                    root = std::move(element);
                    open.push_back(&*root);
                } else {
                    // Only the innermost element grows, so the pointers to its ancestors stay valid.
                    open.back()->children.push_back(std::move(element));
                    open.push_back(&open.back()->children.back());
                }
                break;
            }
            case QXmlStreamReader::EndElement:
                if (open.empty()) return std::nullopt;
                open.back()->text = open.back()->text.trimmed();
                open.pop_back();
                break;
            case QXmlStreamReader::Characters:
                if (!open.empty() && !reader.isWhitespace()) open.back()->text += reader.text();
                break;
            default:
                break;
        }
    }
    if (reader.hasError() || !root || !open.empty()) return std::nullopt;
    return root;
}

}  // namespace strovik
