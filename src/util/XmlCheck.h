#pragma once

#include <optional>
#include <string>
#include <vector>

namespace upd {

// Where and why a document is not well-formed XML; line and column are 0 where the parser
// does not tell them.
struct XmlFault {
    int line = 0;
    int column = 0;
    std::string reason;  // the parser's own text, may be empty
};

// A well-formed document's attribute values and text, decoded to UTF-8, in document order.
struct XmlReading {
    std::optional<XmlFault> fault;  // set when the document is not well-formed
    std::vector<std::string> texts;
};

// Parses the bytes with the system's parser (libxml2; MSXML 6 on Windows), honouring the
// document's encoding declaration. Nothing is fetched: no network, no DTD, no external entity.
XmlReading ReadXmlTexts(const std::string& document);

}  // namespace upd
