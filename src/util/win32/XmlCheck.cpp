#include "util/XmlCheck.h"

// clang-format off
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <msxml2.h>
#include <wrl/client.h>
// clang-format on

#include <filesystem>

#include "util/FileSystem.h"
#include "util/win32/ComApartment.h"

namespace upd {

namespace {

using Microsoft::WRL::ComPtr;

// mingw-w64's libraries lack these two.
constexpr CLSID kDomDocument60 = {
    0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
constexpr IID kXmlDomDocument2 = {
    0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

class Bstr {
  public:
    explicit Bstr(const wchar_t* text = nullptr) : value_(text ? SysAllocString(text) : nullptr) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR* Out() { return &value_; }
    BSTR Get() const { return value_; }
    std::string Utf8() const {
        return value_ ? FromPath(std::filesystem::path(std::wstring(value_, SysStringLen(value_))))
                      : std::string();
    }

  private:
    BSTR value_;
};

// The bytes as the array of octets load() takes, so that the parser reads the declared
// encoding itself (loadXML would take text already decoded).
class ByteArray {
  public:
    explicit ByteArray(const std::string& bytes) {
        VariantInit(&variant_);
        SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, ULONG(bytes.size()));
        if (array == nullptr) {
            return;
        }
        void* data = nullptr;
        if (SUCCEEDED(SafeArrayAccessData(array, &data))) {
            std::copy(bytes.begin(), bytes.end(), static_cast<char*>(data));
            SafeArrayUnaccessData(array);
        }
        variant_.vt = VT_ARRAY | VT_UI1;
        variant_.parray = array;
    }
    ~ByteArray() { VariantClear(&variant_); }
    ByteArray(const ByteArray&) = delete;
    ByteArray& operator=(const ByteArray&) = delete;
    const VARIANT& Get() const { return variant_; }

  private:
    VARIANT variant_;
};

XmlFault FaultOf(IXMLDOMDocument2& document) {
    XmlFault fault;
    ComPtr<IXMLDOMParseError> error;
    if (FAILED(document.get_parseError(&error)) || !error) {
        return fault;
    }
    long line = 0, column = 0;
    error->get_line(&line);
    error->get_linepos(&column);
    Bstr reason;
    error->get_reason(reason.Out());
    fault.line = int(line);
    fault.column = int(column);
    fault.reason = reason.Utf8();
    while (!fault.reason.empty() && std::isspace(static_cast<unsigned char>(fault.reason.back()))) {
        fault.reason.pop_back();
    }
    return fault;
}

void CollectTexts(IXMLDOMDocument2& document, std::vector<std::string>& texts) {
    ComPtr<IXMLDOMNodeList> nodes;
    Bstr query(L"//@* | //text()");
    if (FAILED(document.selectNodes(query.Get(), &nodes)) || !nodes) {
        return;
    }
    for (ComPtr<IXMLDOMNode> node; nodes->nextNode(&node) == S_OK && node; node.Reset()) {
        Bstr value;
        if (SUCCEEDED(node->get_text(value.Out()))) {
            texts.push_back(value.Utf8());
        }
    }
}

}  // namespace

XmlReading ReadXmlTexts(const std::string& bytes) {
    ComApartment apartment;
    XmlReading reading;
    ComPtr<IXMLDOMDocument2> document;
    if (FAILED(CoCreateInstance(kDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kXmlDomDocument2,
                                reinterpret_cast<void**>(document.GetAddressOf())))) {
        reading.fault = XmlFault{0, 0, "MSXML 6"};
        return reading;
    }
    document->put_async(VARIANT_FALSE);
    document->put_validateOnParse(VARIANT_FALSE);
    document->put_resolveExternals(VARIANT_FALSE);
    const ByteArray input(bytes);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (FAILED(document->load(input.Get(), &loaded)) || loaded != VARIANT_TRUE) {
        reading.fault = FaultOf(*document.Get());
        return reading;
    }
    CollectTexts(*document.Get(), reading.texts);
    return reading;
}

}  // namespace upd
