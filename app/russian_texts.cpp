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

}  // namespace

std::span<const uint8_t> RussianErrorTable() { return kRussianPacked; }

fw::TextTranslator& RussianTranslator() {
  static fw::TextTranslator* translator = [] {
    auto* t = new fw::TextTranslator;
    for (const Pair& p : kRussianPairs) t->Add(p.text, p.russian);
    return t;
  }();
  return *translator;
}

}  // namespace app
