// The program's objects in the order they are created, each a single instance for the run.
#pragma once

#include <memory>

#include "card/karta.h"
#include "data/dm_pelta.h"
#include "directories/rekvizit.h"
#include "directories/sp_group.h"
#include "directories/sp_norma.h"
#include "directories/unv_spr.h"
#include "journal/gl_pelta.h"
#include "query/zadat_krit.h"

namespace app {

class Application {
public:
    Application();
    ~Application();

    // Shows the main window maximized (which runs the start-up) and returns false when the
    // user ended the program at the login.
    bool start();

    std::unique_ptr<TdmV> dmV;
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<Tun_spr> unSpr;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm12> form12;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<TForm4> form4;
};

}  // namespace app
