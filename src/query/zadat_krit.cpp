#include "query/zadat_krit.h"

TForm4* Form4 = nullptr;
