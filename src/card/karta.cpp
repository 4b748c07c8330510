#include "card/karta.h"

TForm2* Form2 = nullptr;
