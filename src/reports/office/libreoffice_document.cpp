// What the spreadsheets and text documents of the LibreOffice office share: owning, showing,
// closing and copying a loaded document.
#include <rtl/process.h>
#include <QDir>
#include <QFileInfo>
#include <com/sun/star/awt/SystemDependentXWindow.hpp>
#include <com/sun/star/awt/XSystemDependentWindowPeer.hpp>
#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/SystemDependent.hpp>
#include <com/sun/star/table/BorderLine2.hpp>
#include <com/sun/star/table/BorderLineStyle.hpp>
#include <com/sun/star/util/CloseVetoException.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include "reports/office/desktop_window.h"
#include "reports/office/libreoffice_uno.h"

namespace office::uno {

using css::uno::Any;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {
// A thin line: 0.75 pt in 1/100 mm.
constexpr sal_uInt32 thinLine = 26;

// The X window of an office window, 0 when it has none (a headless office, another system).
unsigned long xWindowOf(const Ref<css::awt::XWindow>& window) {
    const Ref<css::awt::XSystemDependentWindowPeer> peer(window, UNO_QUERY);
    if (!peer.is()) return 0;
    css::uno::Sequence<sal_Int8> process(16);
    rtl_getGlobalProcessId(reinterpret_cast<sal_uInt8*>(process.getArray()));
    css::awt::SystemDependentXWindow handle;
    if (!(peer->getWindowHandle(process, css::lang::SystemDependent::SYSTEM_XWINDOW) >>= handle))
        return 0;
    return static_cast<unsigned long>(handle.WindowHandle);
}
}  // namespace

OpenDocument::OpenDocument(const Ref<css::lang::XComponent>& component)
    : model_(component, UNO_QUERY_THROW) {}

OpenDocument::~OpenDocument() {
    if (kept_ || closed_) return;
    try {
        close();
    } catch (...) {
        // Nothing more to do for a document the office could not close.
    }
}

const Ref<css::frame::XModel>& OpenDocument::model() const {
    if (closed_) throw OfficeError(QStringLiteral("Документ LibreOffice уже закрыт"));
    return model_;
}

QRect OpenDocument::show(const QSize& roomBeside) {
    xWindow_ = guarded([&] {
        Ref<css::frame::XFrame> frame = model()->getCurrentController()->getFrame();
        Ref<css::awt::XWindow> window = frame->getContainerWindow();
        window->setVisible(true);
        Ref<css::awt::XTopWindow> top(window, UNO_QUERY);
        if (top.is()) top->toFront();
        frame->activate();
        return xWindowOf(window);
    });
    // The office's own raising is refused by window managers while the user works in this
    // program, and its window may be mapped only after this call: the window manager is asked
    // once the window is there.
    return desktop::bringToFront(xWindow_, roomBeside);
}

void OpenDocument::raise() {
    if (!closed_) desktop::raise(xWindow_);
}

void OpenDocument::close() {
    if (closed_) return;
    closed_ = true;
    try {
        Ref<css::util::XCloseable>(model_, UNO_QUERY_THROW)->close(true);
    } catch (const css::util::CloseVetoException&) {
        // Someone holds it (a print job still running): it goes when they let go, since we
        // passed our ownership on.
    } catch (const css::lang::DisposedException&) {
        // Gone already, with its office.
    } catch (...) {
        rethrowAsOfficeError(QStringLiteral("Не удалось закрыть документ"));
    }
}

void OpenDocument::storeCopy(const QString& path, const char* filter, const Any& filterData) const {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw OfficeError(
            QStringLiteral("Не удалось создать папку %1").arg(QDir::toNativeSeparators(folder)));
    const Ref<css::frame::XStorable> storable(model(), UNO_QUERY_THROW);
    try {
        if (filterData.hasValue())
            storable->storeToURL(
                fileUrl(path),
                properties({{"FilterName", Any(rtl::OUString::createFromAscii(filter))},
                            {"Overwrite", Any(true)},
                            {"FilterData", filterData}}));
        else
            storable->storeToURL(
                fileUrl(path),
                properties({{"FilterName", Any(rtl::OUString::createFromAscii(filter))},
                            {"Overwrite", Any(true)}}));
    } catch (...) {
        rethrowAsOfficeError(QStringLiteral("Не удалось сохранить копию документа %1")
                                 .arg(QDir::toNativeSeparators(path)));
    }
}

css::table::TableBorder2 ruledBorder() {
    css::table::BorderLine2 line;
    line.Color = 0;
    line.InnerLineWidth = 0;
    line.OuterLineWidth = thinLine;
    line.LineDistance = 0;
    line.LineStyle = css::table::BorderLineStyle::SOLID;
    line.LineWidth = thinLine;
    css::table::TableBorder2 border;
    border.TopLine = border.BottomLine = border.LeftLine = border.RightLine = line;
    border.HorizontalLine = border.VerticalLine = line;
    border.IsTopLineValid = border.IsBottomLineValid = true;
    border.IsLeftLineValid = border.IsRightLineValid = true;
    border.IsHorizontalLineValid = border.IsVerticalLineValid = true;
    border.Distance = 0;
    border.IsDistanceValid = false;
    return border;
}

}  // namespace office::uno
