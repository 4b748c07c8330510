#include "app/application.h"

namespace app {

Application::Application() {
    dmV = std::make_unique<TdmV>();
    form1 = std::make_unique<TForm1>(*dmV);
    unSpr = std::make_unique<Tun_spr>(form1.get());
    un_spr = unSpr.get();
    form2 = std::make_unique<TForm2>(*dmV, form1.get());
    Form2 = form2.get();
    form12 = std::make_unique<TForm12>(form1.get());
    Form12 = form12.get();
    // The requisites window destroys itself when closed; the menu makes a new one.
    Form20 = new TForm20(*dmV, form1.get());
    form3 = std::make_unique<TForm3>(*dmV, form1.get());
    Form3 = form3.get();
    form4 = std::make_unique<TForm4>(form1.get());
    Form4 = form4.get();
}

Application::~Application() {
    // The windows go first; the data module, which they use, last. The globals are cleared only
    // where they still point at this run's windows.
    auto forget = [](auto*& global, auto* mine) {
        if (global == mine) global = nullptr;
    };
    forget(un_spr, unSpr.get());
    forget(Form2, form2.get());
    forget(Form12, form12.get());
    forget(Form3, form3.get());
    forget(Form4, form4.get());
    form4.reset();
    form3.reset();
    form12.reset();
    form2.reset();
    unSpr.reset();
    form1.reset();
    dmV.reset();
}

bool Application::start() {
    form1->showMaximized();
    return !form1->terminateRequested();
}

}  // namespace app
