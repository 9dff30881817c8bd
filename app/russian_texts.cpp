#include "app/russian_texts.h"

#include "framework/errors/error_ids.h"
#include "framework/errors/error_table_packer.h"

namespace app {

namespace {

using namespace fw;

// Same ids, fatalities and placeholders as the default table; only the words differ.
constexpr ErrorTableEntry kRussianEntries[] = {
    {kErrInvalidKey, 5, "Неверный ключ",
     "Ключ файла %File повреждён. Ключ нужно перестроить."},
    {kErrKeyNotBuilt, 3, "Ключ не построен",
     "Ошибка (%ErrorText) при восстановлении ключа файла %File."},
    {kErrFileCreation, 3, "Ошибка создания файла",
     "Ошибка (%ErrorText) при создании файла %File."},
    {kErrProcedureNotDefined, 5, "Процедура не найдена",
     "Процедура %Message не определена."},
    {kErrRangeLower, 5, "Недопустимое значение",
     "Значение поля %Field должно быть меньше %Message."},
    {kErrRangeHigher, 5, "Недопустимое значение",
     "Значение поля %Field должно быть больше %Message."},
    {kErrRangeBetween, 5, "Недопустимое значение",
     "Значение поля %Field должно быть в пределах %Message."},
    {kErrFieldContents, 5, "Недопустимое значение",
     "Значение поля %Field должно быть в файле %Message."},
    {kErrReferentialUpdate, 5, "Ошибка связанных записей",
     "На запись ссылается файл %File. Поля связи менять нельзя, им возвращены прежние "
     "значения."},
    {kErrReferentialDelete, 5, "Ошибка связанных записей",
     "На запись ссылается файл %File. Пока есть ссылки, её нельзя удалить."},
    {kErrRecordInsert, 5, "Ошибка добавления",
     "Не удалось добавить запись. Ошибка: %ErrorText."},
    {kErrRecordChanged, 5, "Запись не сохранена",
     "Эту запись изменила другая станция."},
    {kErrRecordChangedShown, 5, "Запись не сохранена",
     "Эту запись изменила другая станция. Сейчас будут показаны её изменения; "
     "ваши можно вернуть клавишами Ctrl+'."},
    {kErrRecordUpdate, 1, "Ошибка сохранения",
     "Не удалось изменить запись. Сохранить ещё раз?"},
    {kErrRecordDelete, 1, "Ошибка удаления",
     "Не удалось удалить запись. Попробовать ещё раз?"},
    {kErrInvalidInsertRequest, 5, "Действие недоступно",
     "В этом окне нельзя добавлять записи."},
    {kErrInvalidUpdateRequest, 5, "Действие недоступно",
     "В этом окне нельзя изменять записи."},
    {kErrInvalidDeleteRequest, 5, "Действие недоступно",
     "В этом окне нельзя удалять записи."},
    {kErrChangesLost, 1, "Изменения будут потеряны",
     "Отменить изменения?"},
    {kErrDuplicateKey, 5, "Повтор ключа",
     "Такая запись уже есть: повторяется ключ %Message."},
    {kErrAutoIncrement, 1, "Ошибка нумерации",
     "Не удалось присвоить записи номер. Ошибка: %ErrorText. Попробовать ещё раз?"},
    {kErrFileLoad, 5, "Ошибка загрузки файла",
     "Не удалось загрузить файл %File. Ошибка: %ErrorText."},
    {kErrBeginningOfFile, 1, "Начало файла",
     "Достигнуто начало файла. Продолжить с конца?"},
    {kErrEndOfFile, 1, "Конец файла",
     "Достигнут конец файла. Продолжить с начала?"},
    {kErrFileAccess, 3, "Ошибка доступа к файлу",
     "Не удалось открыть файл %File. Ошибка: %ErrorText."},
    {kErrRecordNotUpdated, 5, "Запись не сохранена",
     "Ошибка (%ErrorText) при изменении файла %File."},
    {kErrRecordNotDeleted, 5, "Запись не удалена",
     "Ошибка (%ErrorText) при удалении записи из файла %File."},
    {kErrConfirmDelete, 1, "Подтверждение удаления",
     "Удалить выделенную запись?"},
    {kErrSaveRecord, 1, "Сохранение записи",
     "Сохранить изменения в записи?"},
    {kErrTransactionCancelled, 5, "Транзакция отменена",
     "Ошибка (%ErrorText) при начале транзакции для файла %File."},
    {kErrRecordRetrieval, 5, "Ошибка чтения",
     "Ошибка (%ErrorText) при чтении записи из файла %File. Возврат к предыдущему окну."},
    {kErrViewOpen, 5, "Ошибка выборки",
     "Ошибка (%ErrorText) при открытии выборки. Фильтр и границы не учтены."},
    {kErrRecordAdded, 1, "Запись добавлена",
     "Запись добавлена в файл. Добавить ещё одну?"},
    {kErrRecordNotRead, 5, "Запись не прочитана",
     "При чтении файла %File встретилась запись, занятая другой станцией."},
    {kErrAddNewRecord, 5, "Добавить запись?",
     "Такой записи нет. Добавить новую?"},
    {kErrValue, 5, "Недопустимое значение",
     "Значение поля %Field должно быть из списка: %Message."},
    {kErrNoRecords, 5, "Нет записей",
     "Нет записей для обработки."},
    {kErrAccessDenied, 5, "Нет доступа",
     "Нет права записи в %File, файл открыт только для чтения."},
    {kErrFileUsage, 2, "Ошибка работы с файлом",
     "Файл %File используется до открытия."},
    {kErrRecordDeleted, 5, "Запись удалена",
     "Эту запись удалила другая станция. Ваши изменения в ней не сохранены."},
    {kErrRecordUnreadable, 5, "Запись не читается",
     "Запись из файла %File не читается: %ErrorText."},
};
static_assert(std::size(kRussianEntries) == kRussianErrorCount);

constexpr auto kRussianPacked = PackErrorTable<kRussianEntries>();

struct Pair {
  const char* text;
  const char* russian;
};

constexpr Pair kRussianPairs[] = {
    // The error manager's own words.
    {"Unknown error", "Неизвестная ошибка"},
    {"Press OK to end this application", "Нажмите OK, чтобы завершить программу."},
    // The runtime's error texts, which the messages quote.
    {"No error", "Нет ошибки"},
    {"File not found", "Файл не найден"},
    {"Access denied", "Доступ запрещён"},
    {"Entry not found", "Элемент не найден"},
    {"No record available", "Нет доступных записей"},
    {"Record not found", "Запись не найдена"},
    {"File not open", "Файл не открыт"},
    {"Duplicate key", "Повтор ключа"},
    {"Record held by another station", "Запись занята другой станцией"},
    {"Keys must be rebuilt", "Ключи нужно перестроить"},
    {"Invalid record declaration", "Неверное описание записи"},
    {"File already open", "Файл уже открыт"},
    {"Not supported by the driver", "Не поддерживается драйвером"},
    {"Record changed by another station", "Запись изменена другой станцией"},
    {"Driver error", "Ошибка драйвера"},
    {"No number is left for the field", "Свободных номеров не осталось"},
    // The store's own texts for the faults a user can meet at a file; rarer ones are shown
    // as the store says them.
    {"file is not a database", "файл не является базой данных"},
    {"unable to open database file", "не удаётся открыть файл базы данных"},
    {"database disk image is malformed", "файл базы данных повреждён"},
    {"database is locked", "база данных занята"},
    {"disk I/O error", "ошибка ввода-вывода"},
    {"attempt to write a readonly database", "база данных открыта только для чтения"},
    {"database or disk is full", "диск переполнен"},
    {"access permission denied", "нет прав доступа"},
    // What stands where the data file should be, when it is not a file at all.
    {"not a regular file: it is a folder", "это не файл, а папка"},
    {"not a regular file: it is a pipe", "это не файл, а канал"},
    {"not a regular file: it is a loop of symbolic links", "это не файл, а петля символических ссылок"},
    {"not a regular file: it is a socket", "это не файл, а сокет"},
    {"not a regular file: it is a device", "это не файл, а устройство"},
    {"not a regular file: it is not a plain file", "это не обычный файл"},
    {"the file is empty", "файл пуст"},
    {"the folder of the file cannot be written, so no change could be made safely",
     "в папку файла нельзя писать, поэтому менять файл небезопасно"},
    // A data file that differs from what the program makes, without names in the text.
    {"column record of table holds is not its key",
     "столбец record таблицы holds не является её ключом"},
    {"meta has a row without a name", "в таблице meta есть строка без имени"},
    {"meta has a row whose name is no text", "в таблице meta есть строка, имя которой не текст"},
    {"meta names no format", "в таблице meta не указан формат"},
    {"the file was created from another record declaration",
     "файл создан по другому описанию записи"},
    {"holds has a row that is not a hold",
     "в таблице holds есть строка, которая не описывает занятую запись"},
    {"column _id of table records is not its integer row key",
     "столбец _id таблицы records не является её целочисленным ключом строк"},
    // A stored value as a read error shows it, when it is not the value itself.
    {"no value (NULL)", "нет значения (NULL)"},
    // Faults of a record declaration or of a transaction: the program's own, never the user's,
    // but said in the user's language all the same.
    {"the record has no fields", "в записи нет полей"},
    {"a field has an empty name", "у поля пустое имя"},
    {"a transaction is already active on this thread", "в этом потоке транзакция уже начата"},
    {"one data file appears twice in the transaction", "один файл данных дважды входит в транзакцию"},
    // The list's popup menu and its toolbox.
    {"&Insert", "&Добавить"},
    {"&Change", "&Изменить"},
    {"&Delete", "&Удалить"},
    {"&Print", "&Печать"},
    {"&Query", "&Поиск"},
    {"&Select", "&Выбрать"},
    {"&Toolbox", "&Панель кнопок"},
    {"Browse Actions", "Действия со списком"},
    // The toolbar's tips.
    {"Go to the Next Record", "Следующая запись"},
    {"Go to the Prior Record", "Предыдущая запись"},
    {"Go to the Next Page", "Следующая страница"},
    {"Go to the Prior Page", "Предыдущая страница"},
    {"Go to the First Page", "Первая страница"},
    {"Go to the Last Page", "Последняя страница"},
    {"Insert a new Record", "Добавить запись"},
    // The query window.
    {"Example values", "Поиск по образцу"},
    {"From", "От"},
    {"Example", "Образец"},
    {"To", "До"},
    {"&OK", "&OK"},
    {"Cancel", "Отмена"},
    // The list's status text.
    {"Browsing Records", "Просмотр записей"},
};

// Texts with names in them: "{}" a name kept as it is, "{t}" a text translated in turn.
constexpr Pair kRussianPatterns[] = {
    // Why a data file is refused when it is opened.
    {"column {} is missing from table {}", "в таблице {2} нет столбца {1}"},
    {"column {} of table {} holds {} values, not {}",
     "столбец {1} таблицы {2} хранит значения {3}, а не {4}"},
    {"table {} has a column {} that is not declared",
     "в таблице {1} есть столбец {2}, которого нет в описании"},
    {"not a keyed file of this program: table {} is missing",
     "это не файл данных программы: нет таблицы {1}"},
    {"{} is a view, not a table", "{1} — представление, а не таблица"},
    {"the file holds trigger {}, which a keyed file of this program never has",
     "в файле есть триггер {1}, а в файлах данных программы их не бывает"},
    {"the file holds view {}, which a keyed file of this program never has",
     "в файле есть представление {1}, а в файлах данных программы их не бывает"},
    {"meta's {} is no text", "значение {1} в таблице meta не текст"},
    {"meta names format {}, not {}", "в таблице meta указан формат {1}, а не {2}"},
    {"index {} is on table {}, which has none in this program's files",
     "индекс {1} построен по таблице {2}, а у неё в файлах программы индексов нет"},
    {"the index of key {} is missing or not as declared",
     "индекса ключа {1} нет или он не такой, как в описании"},
    {"index {} is not one of the declared keys", "индекс {1} не относится ни к одному ключу"},
    // A stored value that fits no field, named with its record and its field.
    {"record {}: {} holds {t}, not a number", "запись {1}: поле {2} хранит {3}, а не число"},
    {"record {}: {} holds {t}, not a finite number",
     "запись {1}: поле {2} хранит {3}, а не конечное число"},
    {"record {}: {} holds {t}, not a whole number",
     "запись {1}: поле {2} хранит {3}, а не целое число"},
    {"record {}: {} holds {t}, which a {} field cannot hold",
     "запись {1}: поле {2} хранит {3}, а поле типа {4} такого значения не вмещает"},
    {"record {}: {} holds {t}, not a text", "запись {1}: поле {2} хранит {3}, а не текст"},
    {"record {}: {} holds {t}, longer than its {} bytes",
     "запись {1}: поле {2} хранит {3}, а в нём всего {4} байт"},
    {"record {}: {} holds {t}, a text with a zero byte inside",
     "запись {1}: поле {2} хранит {3}, текст с нулевым байтом внутри"},
    {"record {}: {} holds {t}, not bytes", "запись {1}: поле {2} хранит {3}, а не байты"},
    {"record {}: {} holds {t}, more than its {} bytes",
     "запись {1}: поле {2} хранит {3}, а в нём всего {4} байт"},
    {"record {}: {} holds no value (NULL)", "запись {1}: поле {2} не хранит значения (NULL)"},
    {"record {}: its version {t} is no whole number", "запись {1}: её версия {2} не целое число"},
    {"{} bytes", "{1} байт"},
    // A view's failure: what it was doing, then the store's own words.
    {"View: {t}", "выборка: {1}"},
    // Faults of a record declaration.
    {"key {} has no components", "у ключа {1} нет составляющих"},
    {"key {} names no field", "ключ {1} не указывает на поле"},
    {"key {} is on a group of fields", "ключ {1} построен по группе полей"},
    {"two fields are labelled {}", "два поля носят метку {1}"},
    {"field {} is named like a shadow column", "поле {1} названо как служебный столбец"},
    {"field {} has the column of another field", "у поля {1} столбец другого поля"},
};

}  // namespace

std::span<const uint8_t> RussianErrorTable() { return kRussianPacked; }

fw::TextTranslator& RussianTranslator() {
  static fw::TextTranslator* translator = [] {
    auto* t = new fw::TextTranslator;
    for (const Pair& p : kRussianPairs) t->Add(p.text, p.russian);
    for (const Pair& p : kRussianPatterns) t->AddPattern(p.text, p.russian);
    return t;
  }();
  return *translator;
}

}  // namespace app
