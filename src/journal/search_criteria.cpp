#include "journal/search_criteria.h"

#include "data/lab_data.h"
#include "data/residence.h"

namespace {

SearchCriterion text(const QString& caption, const char* line, const QString& param, TextUse use,
                     int row, int column, int width, int maxLength) {
    SearchCriterion c;
    c.caption = caption;
    c.line = line;
    c.params = {param};
    c.use = use;
    c.row = row;
    c.column = column;
    c.width = width;
    c.maxLength = maxLength;
    return c;
}

SearchCriterion selector(const QString& caption, const char* line, const QString& param,
                         data::DataSource LabData::* list, const QString& key, int row, int column,
                         QStringList display = {QStringLiteral("NAME")}) {
    SearchCriterion c;
    c.caption = caption;
    c.control = CriterionControl::Selector;
    c.line = line;
    c.params = {param};
    c.list = list;
    c.key = key;
    c.display = std::move(display);
    c.row = row;
    c.column = column;
    return c;
}

SearchCriterion date(const QString& caption, const char* line, const QString& param, int row) {
    SearchCriterion c;
    c.caption = caption;
    c.control = CriterionControl::Date;
    c.line = line;
    c.params = {param};
    c.row = row;
    c.column = 2;
    return c;
}

std::vector<SearchCriterion> makeCriteria() {
    std::vector<SearchCriterion> all;
    all.push_back(selector(QStringLiteral("Вид исследования"), " and i.n_lissl=:n_lissl",
                           "n_lissl", &LabData::typeListSource, "N_LISSL", 0, 1));

    SearchCriterion number = text(QStringLiteral("Уник. №"), " and  i.nom=:nom", "nom",
                                  TextUse::Trimmed, 1, 0, 65, 12);
    number.control = CriterionControl::Number;
    number.narrowsFrom = 1;
    all.push_back(number);
    SearchCriterion card = text(QStringLiteral("Карта  №"), " and  i.nom_kart=:nom_kart",
                                "nom_kart", TextUse::Trimmed, 1, 0, 65, 20);
    card.besidePrevious = true;
    card.narrowsFrom = 1;
    all.push_back(card);

    // Names match whatever their case; each one's index is on its upper-case form.
    SearchCriterion surname =
        text(QStringLiteral("Фамилия"), " and  (upper(i.fam) starting with upper(:fam))", "fam",
             TextUse::TrimmedCapitalised, 2, 0, 0, 30);
    surname.narrowsFrom = 3;
    all.push_back(surname);
    all.push_back(text(QStringLiteral("Имя"), " and  upper(i.imja) starting with upper(:imja)",
                       "imja", TextUse::TrimmedCapitalised, 3, 0, 0, 30));
    all.push_back(text(QStringLiteral("Отчество"),
                       " and  upper(i.otch) starting with upper(:otch)", "otch",
                       TextUse::TrimmedCapitalised, 4, 0, 0, 30));

    SearchCriterion sex =
        text(QStringLiteral("Пол"), " and i.pol=:pol", "pol", TextUse::AsTyped, 5, 0, 60, 1);
    sex.control = CriterionControl::FixedList;
    sex.items = {QStringLiteral("М"), QStringLiteral("Ж")};
    all.push_back(sex);

    SearchCriterion age;
    age.caption = QStringLiteral("Возраст   от");
    age.control = CriterionControl::NumberRange;
    age.line = " and i.vozr between :age_from and :age_to";
    age.params = {QStringLiteral("age_from"), QStringLiteral("age_to")};
    age.use = TextUse::Trimmed;
    age.fieldNames = {QStringLiteral("Возраст от"), QStringLiteral("Возраст до")};
    age.betweenCaption = QStringLiteral("до");
    age.row = 6;
    age.width = 34;
    age.maxLength = 3;
    all.push_back(age);

    all.push_back(selector(QStringLiteral("Страна"), " and i.cod_gos=:cod_gos", "cod_gos",
                           &LabData::countriesSource, "COD_GOS", 1, 1));
    all.back().listReadOnEntry = true;

    SearchCriterion residence;
    residence.caption = QStringLiteral("Житель");
    residence.control = CriterionControl::FixedList;
    residence.line = " and i.pr_live=:pr_live";
    residence.params = {QStringLiteral("pr_live")};
    residence.items = data::residenceCaptions();
    residence.codes = data::residenceCodes();
    residence.row = 2;
    residence.column = 1;
    all.push_back(residence);

    all.push_back(selector(QStringLiteral("Территория"), " and i.cod_ter=:cod_ter", "cod_ter",
                           &LabData::territoriesSource, "COD_TER", 3, 1));
    all.back().listReadOnEntry = true;
    all.push_back(selector(QStringLiteral("Район"), " and i.cod_raion=:cod_raion", "cod_raion",
                           &LabData::districtsSource, "COD_RAION", 4, 1));
    all.back().listReadOnEntry = true;
    all.push_back(selector(QStringLiteral("ЛПУ"), " and i.cod_lpu=:cod_lpu", "cod_lpu",
                           &LabData::institutionsSource, "COD_LPU", 5, 1));
    all.push_back(selector(QStringLiteral("Отделения"), " and i.cod_otd=:cod_otd", "cod_otd",
                           &LabData::departmentsSource, "COD_OTD", 6, 1));
    all.push_back(selector(QStringLiteral("Код обслед."), " and i.n_kon=:n_kon", "n_kon",
                           &LabData::examinationCodesSource, "N_KON", 0, 2,
                           {QStringLiteral("COD"), QStringLiteral("NAME")}));
    all.back().listReadOnEntry = true;
    all.back().listWidth = 300;
    all.push_back(selector(QStringLiteral("Бюджет"), " and i.n_ifin=:n_ifin", "n_ifin",
                           &LabData::fundingSourcesSource, "N_IFIN", 1, 2));

    all.push_back(date(QStringLiteral("Дата взятия ан."), " and i.dat_issled=:dat_issled",
                       "dat_issled", 2));
    all.push_back(date(QStringLiteral("Дата доставки"), " and i.dat_dostav=:dat_dostav",
                       "dat_dostav", 3));
    all.push_back(date(QStringLiteral("Дата результ."), " and i.dat_rezult=:dat_rezult",
                       "dat_rezult", 4));

    all.push_back(selector(QStringLiteral("Врач"), " and i.cod_vr=:cod_vr", "cod_vr",
                           &LabData::doctorsSource, "COD_VR", 5, 2, {QStringLiteral("FIO")}));
    all.push_back(selector(QStringLiteral("Лаборант"), " and i.cod_ms=:cod_ms", "cod_ms",
                           &LabData::labAssistantsSource, "COD_MS", 6, 2,
                           {QStringLiteral("FIO")}));
    all.push_back(text(QStringLiteral("Диагноз МКБ"), " and  (i.diag_cod starting with :diag_cod)",
                       "diag_cod", TextUse::Capitalised, 7, 2, 65, 20));
    return all;
}

}  // namespace

const std::vector<SearchCriterion>& searchCriteria() {
    static const std::vector<SearchCriterion> all = makeCriteria();
    return all;
}
