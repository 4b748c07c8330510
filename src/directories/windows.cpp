#include "directories/rekvizit.h"
#include "directories/sp_group.h"
#include "directories/sp_norma.h"
#include "directories/unv_spr.h"

Tun_spr* un_spr = nullptr;
TForm12* Form12 = nullptr;
TForm20* Form20 = nullptr;
TForm3* Form3 = nullptr;
