#include "util/XmlCheck.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>

namespace upd {

namespace {

struct FreeDocument {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
struct FreeContext {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};

std::string Utf8(const xmlChar* text) {
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

void CollectTexts(const xmlNode* node, std::vector<std::string>& texts) {
    for (; node != nullptr; node = node->next) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            texts.push_back(Utf8(node->content));
        } else if (node->type == XML_ELEMENT_NODE) {
            for (const xmlAttr* attribute = node->properties; attribute;
                 attribute = attribute->next) {
                std::unique_ptr<xmlChar, decltype(xmlFree)> value(
                    xmlNodeListGetString(node->doc, attribute->children, 1), xmlFree);
                texts.push_back(Utf8(value.get()));
            }
            CollectTexts(node->children, texts);
        }
    }
}

XmlFault FaultOf(const xmlError* error) {
    std::string reason = Utf8(reinterpret_cast<const xmlChar*>(error->message));
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ')) {
        reason.pop_back();
    }
    return XmlFault{error->line, error->int2, reason};
}

// Keeps the first error, which tells the cause; later ones follow from it.
void KeepFirstError(void* context, xmlError* error) {
    auto* first =
        static_cast<std::optional<XmlFault>*>(static_cast<xmlParserCtxt*>(context)->_private);
    if (!*first && error && error->level >= XML_ERR_ERROR) {
        *first = FaultOf(error);
    }
}

}  // namespace

XmlReading ReadXmlTexts(const std::string& document) {
    std::unique_ptr<xmlParserCtxt, FreeContext> context(xmlNewParserCtxt());
    XmlReading reading;
    if (!context) {
        reading.fault = XmlFault{};
        return reading;
    }
    context->_private = &reading.fault;
    context->sax->serror = KeepFirstError;
    // No network, no DTD or entity loading, and no messages on standard error.
    constexpr int kOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    std::unique_ptr<xmlDoc, FreeDocument> parsed(xmlCtxtReadMemory(
        context.get(), document.data(), int(document.size()), nullptr, nullptr, kOptions));
    if (!parsed || !context->wellFormed) {
        if (!reading.fault) {
            reading.fault = FaultOf(&context->lastError);
        }
        return reading;
    }
    reading.fault.reset();  // only warnings, or errors recovered from
    CollectTexts(xmlDocGetRootElement(parsed.get()), reading.texts);
    return reading;
}

}  // namespace upd
