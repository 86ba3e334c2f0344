#include "cli/InkLayersPdf.h"

#include "cli/ExitCodes.h"

#ifdef TONEDOT_HAS_QPDF
#include <charconv>
#include <cmath>
#include <exception>
#include <map>
#include <memory>
#include <string_view>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#endif

namespace tonedot::cli {

#ifdef TONEDOT_HAS_QPDF
namespace {

using Object = QPDFObjectHandle;

// A content-stream number: at most three decimals, no trailing zeros.
void Put(std::string& out, double v) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, std::round(v * 1000.0) / 1000.0,
                                 std::chars_format::fixed, 3);
    std::string_view s(buffer, static_cast<std::size_t>(r.ptr - buffer));
    while (s.back() == '0') s.remove_suffix(1);
    if (s.back() == '.') s.remove_suffix(1);
    if (s == "-0") s = "0";
    out.append(s);
    out.push_back(' ');
}

// The ink as a DeviceCMYK fill: its own component at `tint`, the others none.
void PutInkFill(std::string& out, int ink, double tint) {
    for (int k = 0; k < kInkCount; ++k) Put(out, k == ink ? tint : 0);
    out += "k\n";
}

std::string PageContent(const std::array<std::vector<DotOutline>, kInkCount>& inks, int width, int height,
                        double dpi) {
    std::string out = "q\n";
    // Pixels to points, y down from the page's top; the page clips what reaches past it.
    const double scale = 72.0 / dpi;
    for (double v : {scale, 0.0, 0.0, -scale, 0.0, height * scale}) Put(out, v);
    out += "cm\n0 0 ";
    Put(out, width);
    Put(out, height);
    out += "re W n\n/Overprint gs\n";
    for (int ink = 0; ink < kInkCount; ++ink) {
        out += std::string("/OC /") + InkName(ink) + " BDC\n";
        double tint = -1;
        for (const DotOutline& dot : inks[static_cast<std::size_t>(ink)]) {
            if (dot.opacity != tint) PutInkFill(out, ink, tint = dot.opacity);
            for (std::size_t k = 0; k + 1 < dot.points.size(); k += 2) {
                Put(out, dot.points[k]);
                Put(out, dot.points[k + 1]);
                out += k ? "l " : "m ";
            }
            out += "h f\n";
        }
        out += "EMC\n";
    }
    out += "Q\n";
    return out;
}

Object Name(const std::string& name) { return Object::newName("/" + name); }

std::string Document(const std::array<std::vector<DotOutline>, kInkCount>& inks, int width, int height, double dpi) {
    QPDF pdf;
    pdf.emptyPDF();
    pdf.setSuppressWarnings(true);
    // Overprinting: an ink's dots leave the other inks under them (zero components too).
    Object overprint = Object::newDictionary({{"/Type", Name("ExtGState")},
                                              {"/OP", Object::newBool(true)},
                                              {"/op", Object::newBool(true)},
                                              {"/OPM", Object::newInteger(1)}});
    // A layer per ink, named as the ink.
    std::vector<Object> groups;
    std::map<std::string, Object> properties;
    for (int ink = 0; ink < kInkCount; ++ink) {
        groups.push_back(pdf.makeIndirectObject(Object::newDictionary(
            {{"/Type", Name("OCG")}, {"/Name", Object::newUnicodeString(InkName(ink))}})));
        properties["/" + std::string(InkName(ink))] = groups.back();
    }
    pdf.getRoot().replaceKey(
        "/OCProperties",
        Object::newDictionary({{"/OCGs", Object::newArray(groups)},
                               {"/D", Object::newDictionary({{"/Order", Object::newArray(groups)},
                                                             {"/ON", Object::newArray(groups)}})}}));
    const double points = 72.0 / dpi;
    Object page = pdf.makeIndirectObject(Object::newDictionary(
        {{"/Type", Name("Page")},
         {"/MediaBox", Object::newArray({Object::newInteger(0), Object::newInteger(0),
                                         Object::newReal(width * points, 4), Object::newReal(height * points, 4)})},
         {"/Resources",
          Object::newDictionary({{"/ExtGState", Object::newDictionary({{"/Overprint", overprint}})},
                                 {"/Properties", Object::newDictionary(properties)}})},
         {"/Contents", Object::newStream(&pdf, PageContent(inks, width, height, dpi))}}));
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);
    // In memory: the library's file output does not report a write that fails on closing.
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.setMinimumPDFVersion("1.5");  // optional content
    writer.setDeterministicID(true);
    writer.write();
    const std::shared_ptr<Buffer> bytes = writer.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(bytes->getBuffer()), bytes->getSize());
}

}  // namespace

bool LayeredPdfBuilt() { return true; }

std::string LayeredPdf(const std::array<std::vector<DotOutline>, kInkCount>& inks, int width, int height, double dpi) {
    try {
        return Document(inks, width, height, dpi);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        throw CliError(kExitInternal, std::string("cannot make the PDF: ") + e.what());
    }
}

#else

bool LayeredPdfBuilt() { return false; }

std::string LayeredPdf(const std::array<std::vector<DotOutline>, kInkCount>&, int, int, double) {
    throw UsageError("this tonedot is built without PDF output (it needs libqpdf).");
}

#endif

}  // namespace tonedot::cli
