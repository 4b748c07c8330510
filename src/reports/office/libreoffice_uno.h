// The UNO side of the LibreOffice office, shared by its spreadsheet and text documents and by the
// integration tests that read documents back. Needs the generated UNO headers: only the office
// library and those tests include it.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/table/TableBorder2.hpp>
#include <com/sun/star/uno/Sequence.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <initializer_list>
#include <memory>
#include <rtl/ustring.hxx>
#include <utility>

#include "reports/office/office.h"

namespace office::uno {

namespace css = ::com::sun::star;
template <class T>
using Ref = css::uno::Reference<T>;

inline rtl::OUString str(const QString& text) {
    return rtl::OUString(reinterpret_cast<const sal_Unicode*>(text.utf16()), text.size());
}
inline QString qstr(const rtl::OUString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getStr()), text.getLength());
}
// A file URL for a local path, as the office takes it.
rtl::OUString fileUrl(const QString& path);

// Call arguments: {{"Hidden", css::uno::Any(true)}, ...}.
css::uno::Sequence<css::beans::PropertyValue> properties(
    std::initializer_list<std::pair<const char*, css::uno::Any>> values);

// The office's desktop and component context, connected (the office started) if need be.
Ref<css::frame::XDesktop2> desktop();
Ref<css::uno::XComponentContext> context();
// The process started for the office last, 0 when none was.
qint64 processId();

// The document behind an office object of this backend (null for another backend's).
Ref<css::frame::XModel> modelOf(Spreadsheet& spreadsheet);
Ref<css::frame::XModel> modelOf(TextDocument& document);

// Call inside a catch block: throws the caught failure as an OfficeError with the office's own
// message (prefixed by `what` when given).
[[noreturn]] void rethrowAsOfficeError(const QString& what = {});

// Runs one office operation; a UNO failure becomes an OfficeError.
template <class F>
decltype(auto) guarded(F&& operation) {
    try {
        return operation();
    } catch (const OfficeError&) {
        throw;
    } catch (...) {
        rethrowAsOfficeError();
    }
}

// A loaded document that an office object owns: closed unsaved when the owner goes, unless it was
// left open or closed already.
class OpenDocument {
public:
    explicit OpenDocument(const Ref<css::lang::XComponent>& component);
    ~OpenDocument();
    OpenDocument(const OpenDocument&) = delete;
    OpenDocument& operator=(const OpenDocument&) = delete;

    // The document; an error once it is closed.
    const Ref<css::frame::XModel>& model() const;
    // Its frame's window made visible, brought to the front and activated, with room left
    // beside it as Spreadsheet::show() says; returns where that window stands on the screen
    // (empty when that is not known: no display, a headless office).
    QRect show(const QSize& roomBeside);
    // Its window in front again, the focus staying where it is.
    void raise();
    // Closes it unsaved (the office stays).
    void close();
    void leaveOpen() { kept_ = true; }
    // Writes a copy through an export filter; the document itself stays as it is.
    void storeCopy(const QString& path, const char* filter,
                   const css::uno::Any& filterData = css::uno::Any()) const;

private:
    Ref<css::frame::XModel> model_;
    unsigned long xWindow_ = 0;  // its frame's X window, once shown on an X display
    bool closed_ = false;
    bool kept_ = false;
};

// Ruled: a thin solid line on every side and between all cells.
css::table::TableBorder2 ruledBorder();

// The documents of this backend, made from a freshly loaded component.
std::unique_ptr<Spreadsheet> makeSpreadsheet(const Ref<css::lang::XComponent>& component);
std::unique_ptr<TextDocument> makeTextDocument(const Ref<css::lang::XComponent>& component);

// Where print() sends its pages (see setLibreOfficePrinter / setLibreOfficePrintFile).
QString printerName();
QString printFile();

}  // namespace office::uno
