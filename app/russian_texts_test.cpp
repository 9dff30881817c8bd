#include "app/russian_texts.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/calculator_test_fixture.h"
#include "app/unattended_test_support.h"
#include "framework/errors/error_ids.h"
#include "runtime/core/error_codes.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/keyed_file_test_support.h"
#include "runtime/files/temp_folder.h"
#include "runtime/files/view.h"
#include "runtime/values/record_descriptor.h"
#include "framework/errors/default_error_table.h"
#include "framework/errors/error_manager.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/control.h"
#include "runtime/windows/event.h"
#include "runtime/windows/properties.h"

namespace app::test {
namespace {

// The words of text written in Latin letters, less the placeholders ("%File") and the few
// that a Russian desktop writes in Latin too: the OK button and the Ctrl key. The file's own
// name is the user's data, not a word of the program.
std::vector<std::string> LatinWords(const std::string& text,
                                    const std::set<std::string>& names = {}) {
  static const std::set<std::string> kAllowed = {"OK", "Ctrl", "kf"};
  std::vector<std::string> out;
  std::string word;
  bool placeholder = false;
  auto flush = [&] {
    if (!word.empty() && !placeholder && kAllowed.count(word) == 0 && names.count(word) == 0) {
      out.push_back(word);
    }
    word.clear();
    placeholder = false;
  };
  for (char c : text) {
    const bool latin = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (latin) {
      word += c;
    } else {
      flush();
      placeholder = c == '%';
    }
  }
  flush();
  return out;
}

bool HasCyrillic(const std::string& text) {
  // Cyrillic letters are 0xD0 or 0xD1 followed by a continuation byte in UTF-8.
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0xD0 || c == 0xD1) return true;
  }
  return false;
}

std::set<std::string> Placeholders(std::string_view text) {
  std::set<std::string> out;
  for (size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at + 1)) {
    size_t end = at + 1;
    while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end]))) ++end;
    out.emplace(text.substr(at, end - at));
  }
  return out;
}

TEST(RussianTextsTest, TheRussianTableSaysEveryDefaultEntryWithItsFatalityAndPlaceholders) {
  rt::test::ScopedHeadlessBackend headless;
  fw::ErrorManager english;
  english.Setup();
  fw::ErrorManager russian;
  russian.Setup();
  const std::span<const uint8_t> table = RussianErrorTable();
  ASSERT_EQ(russian.LoadErrorTable(table.data(), table.size()), kRussianErrorCount);
  ASSERT_EQ(kRussianErrorCount, fw::kDefaultErrorCount);
  for (size_t i = 1; i <= fw::kDefaultErrorCount; ++i) {
    const fw::ErrorRow* en = english.ERRORS->At(i);
    ASSERT_EQ(russian.SelectError(en->ID), fw::kLevelGoOn) << en->ID;
    const fw::ErrorRow& ru = russian.ERRORS->buffer;
    // Loaded over the default table, the Russian entry is the one found.
    EXPECT_GT(russian.ERRORS->Pointer(), fw::kDefaultErrorCount) << en->ID;
    EXPECT_EQ(ru.FATALITY, en->FATALITY) << en->ID;
    EXPECT_EQ(Placeholders(ru.MESSAGE), Placeholders(en->MESSAGE)) << en->ID;
    for (std::string_view text : {ru.TITLE, ru.MESSAGE}) {
      EXPECT_TRUE(HasCyrillic(std::string(text))) << en->ID << " " << text;
      EXPECT_EQ(LatinWords(std::string(text)), std::vector<std::string>{}) << en->ID << " " << text;
    }
  }
}

TEST(RussianTextsTest, TheTranslatorTurnsTheFrameworksOwnWordsAndLeavesOthersAlone) {
  fw::TextTranslator& t = RussianTranslator();
  EXPECT_EQ(t.TranslateText("&Delete"), "&Удалить");
  EXPECT_EQ(t.TranslateText("Unknown error"), "Неизвестная ошибка");
  EXPECT_EQ(t.TranslateText("Record changed by another station"),
            "Запись изменена другой станцией");
  EXPECT_EQ(t.TranslateText("1.50"), "1.50");
  EXPECT_EQ(t.TranslateText(""), "");
  // The English error manager with this translator: its own words come out Russian.
  rt::test::ScopedHeadlessBackend headless;
  fw::ErrorManager errors;
  errors.Setup();
  errors.TRANSLATOR = &t;
  headless->AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(errors.ReportError(999), fw::kLevelHandled);
  ASSERT_NE(headless->LastMessageBox(), nullptr);
  EXPECT_EQ(headless->LastMessageBox()->request.caption, "Неизвестная ошибка");
  EXPECT_EQ(headless->LastMessageBox()->request.text, "Неизвестная ошибка 999");
}

// Every text the calculator shows on its own window, in its boxes and in its menu: Russian.
class CalculatorInRussianTest : public CalculatorTest {
 protected:
  static void ExpectRussian(const std::string& where, const std::string& text) {
    EXPECT_EQ(LatinWords(text), std::vector<std::string>{}) << where << ": \"" << text << "\"";
  }
  static void ExpectWindowRussian() {
    rt::Window& w = W();
    ExpectRussian("caption", w.caption());
    for (const auto& [number, control] : w.controls()) {
      const std::string where = "control " + std::to_string(number);
      if (control->kind() == rt::ControlKind::kButton ||
          control->kind() == rt::ControlKind::kPrompt) {
        ExpectRussian(where, w.Property(number, rt::kPropText));
      }
      ExpectRussian(where + " tip", w.Property(number, rt::kPropToolTip));
      ExpectRussian(where + " message", w.Property(number, rt::kPropMessage));
    }
  }
};

TEST_F(CalculatorInRussianTest, ADeleteAConflictAndTheMenuSpeakRussian) {
  StoreOdds({1.5, 2.0, 3.0});
  OddsRecord other_rec{};
  rt::KeyedFile other(OddsDeclaration(), &other_rec);
  backend().Check([] { ExpectWindowRussian(); });
  // The list's menu, dismissed.
  backend().ClickRow(kOddsList, 1, 1, rt::ScriptedAction::Mouse::kRight);
  backend().ChooseNextPopupItem(0);
  // A delete asks first.
  backend().ClickRow(kOddsList, 1);
  backend().AnswerNextMessageBox(rt::kButtonYes);
  backend().Click(kDeleteButton);
  // Another station changes the row this one is editing.
  backend().ClickRow(kOddsList, 1);
  backend().Click(kChangeButton);
  backend().Type(kOddsEditor, "2,25", /*leave=*/false);
  backend().Check([&] {
    ASSERT_EQ(other.Open(), 0);
    other_rec.nn = 2;
    ASSERT_EQ(other.Get(OddsNnKey()), 0);
    other_rec.kf = 2.5;
    ASSERT_EQ(other.Put(), 0);
  });
  backend().AnswerNextMessageBox(rt::kButtonOk);
  backend().PressKey(kOddsEditor, rt::kKeyEnter);
  backend().PressKey(kOddsEditor, rt::kKeyEsc);
  backend().Check([] { ExpectWindowRussian(); });
  backend().CloseWindow();
  EXPECT_EQ(Run(), 0);

  ASSERT_EQ(backend().Popups().size(), 1u);
  EXPECT_FALSE(backend().Popups()[0].choices.empty());
  for (const std::string& item : backend().Popups()[0].choices) ExpectRussian("menu", item);
  ASSERT_EQ(backend().MessageBoxes().size(), 2u);
  const rt::MessageBoxRequest& ask = backend().MessageBoxes()[0].request;
  EXPECT_EQ(ask.caption, "Подтверждение удаления");
  EXPECT_EQ(ask.text, "Удалить выделенную запись?");
  EXPECT_EQ(ask.buttons, rt::kButtonsYesNo);
  const rt::MessageBoxRequest& conflict = backend().MessageBoxes()[1].request;
  EXPECT_EQ(conflict.caption, "Запись не сохранена");
  EXPECT_EQ(conflict.text, "Эту запись изменила другая станция.");
  for (const rt::MessageBoxRecord& r : backend().MessageBoxes()) {
    ExpectRussian("caption", r.request.caption);
    ExpectRussian("text", r.request.text);
  }
  // The other station's value stands; this one's was not written over it.
  EXPECT_EQ(Stored(), (Rows{{2, 2.5}, {3, 3.0}}));
}

TEST_F(CalculatorInRussianTest, NumbersTakeTheDecimalCommaAndShowThePicturesOwnForm) {
  StoreOdds({1.5, 2.0});
  // A list cell: the new row's odds.
  backend().Click(kInsertButton);
  backend().Type(kOddsEditor, "3,0", /*leave=*/false);
  backend().PressKey(kOddsEditor, rt::kKeyEnter);
  // The entries: n, k and a stake with kopecks.
  backend().Type(kEventCountEntry, "3");
  backend().Type(kSystemSizeSpin, "2");
  backend().Type(kStakeEntry, "10,5", /*leave=*/false);
  backend().Click(kCalculateButton);
  backend().Check([] {
    EXPECT_EQ(ListShown(), (std::vector<std::string>{"1|1.50", "2|2.00", "3|3.00"}));
    EXPECT_EQ(W().Find(kStakeEntry)->shown_text(), "  10.50");
    // 10.50 × (1.5·2 + 1.5·3 + 2·3) = 141.75
    EXPECT_EQ(W().Find(kTotalReturnShown)->shown_text(), "    141.75");
  });
  backend().CloseWindow();
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(backend().MessageBoxes().empty());
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 2.0}, {3, 3.0}}));
}

// Prints every box it is asked to show, so a death test can read them from stderr.
class EchoingBackend : public rt::HeadlessBackend {
 public:
  int ShowMessageBox(const rt::MessageBoxRequest& request) override {
    std::fprintf(stderr, "[%s|%s]\n", request.caption.c_str(), request.text.c_str());
    return HeadlessBackend::ShowMessageBox(request);
  }
};

using CalculatorInRussianDeathTest = CalculatorInRussianTest;

TEST_F(CalculatorInRussianDeathTest, AFatalErrorIsToldInRussianBeforeTheProgramEnds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // A file of another program under the odds table's name cannot be opened.
  {
    std::ofstream foreign("kf", std::ios::binary);
    foreign << "SQLite format 3";
    foreign << std::string(4096, '\x7f');
  }
  auto run = [this] {
    EchoingBackend echo;
    rt::SetBackend(&echo);
    echo.AnswerNextMessageBox(rt::kButtonOk);
    Run();
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(fw::kFatalExitCode),
              "\\[Ошибка доступа к файлу\\|Не удалось открыть файл kf\\. Ошибка: [^]A-Za-z]*"
              "\\.  Нажмите OK, чтобы завершить программу\\.\\]");
}

// The names a data file's message may show as they are: the file, its tables and columns, the
// field labels, the store's types and the fields' own, a stored value's NULL.
const std::set<std::string> kFileNames = {"records", "meta", "holds", "id", "KF", "NN", "nn",
                                          "key", "INTEGER", "REAL", "TEXT", "BLOB", "BYTE",
                                          "NULL"};

std::set<std::string> NamesAnd(std::initializer_list<const char*> more) {
  std::set<std::string> names = kFileNames;
  names.insert(more.begin(), more.end());
  return names;
}

const std::string kRemadeRecordsEnd =
    "INSERT INTO records SELECT * FROM old; DROP TABLE old; "
    "CREATE UNIQUE INDEX \"key:KF:nn_key\" ON \"records\"(\"NN\")";
const std::string kRemakeRecords =
    "DROP INDEX \"key:KF:nn_key\"; ALTER TABLE records RENAME TO old; CREATE TABLE records";

// Every refusal of the data file and every read error of a row that the calculator can meet,
// each made for real: rows stored by the program, then the file changed with SQLite or
// replaced, then the program itself run over it. What it shows is Russian but for names.
TEST_F(CalculatorInRussianTest, EveryRefusalAndReadErrorOfTheDataFileIsShownInRussian) {
  struct Case {
    const char* what;
    std::function<void()> make;
    int exit_code;       // 3 refused at opening, 0 the window opened
    const char* said;    // the Russian form of the runtime's text
    std::set<std::string> names;
  };
  auto sql = [](std::string text) {
    return [text] {
      StoreOdds({1.5, 2.0, 3.0});
      ASSERT_EQ(rt::testing::ApplySql("kf", text), 0) << text;
    };
  };
  const std::vector<Case> cases = {
      {"a meta row without a name", sql("INSERT INTO meta VALUES(NULL, 'x')"), 3,
       "в таблице meta есть строка без имени", kFileNames},
      {"a meta row named with bytes", sql("INSERT INTO meta VALUES(x'00', 'x')"), 3,
       "в таблице meta есть строка, имя которой не текст", kFileNames},
      {"the format as bytes", sql("UPDATE meta SET value = x'31' WHERE name = 'format'"), 3,
       "значение format в таблице meta не текст", NamesAnd({"format"})},
      {"no format", sql("DELETE FROM meta WHERE name = 'format'"), 3,
       "в таблице meta не указан формат", kFileNames},
      {"another format", sql("UPDATE meta SET value = '7' WHERE name = 'format'"), 3,
       "в таблице meta указан формат 7, а не 1", kFileNames},
      {"another declaration", sql("UPDATE meta SET value = 'x' WHERE name = 'declaration'"), 3,
       "файл создан по другому описанию записи", kFileNames},
      {"no records table", sql("DROP TABLE records"), 3,
       "это не файл данных программы: нет таблицы records", kFileNames},
      {"the records a view",
       sql("DROP INDEX \"key:KF:nn_key\"; ALTER TABLE records RENAME TO r2; "
           "CREATE VIEW records AS SELECT * FROM r2"),
       3, "records — представление, а не таблица", kFileNames},
      {"no holds table", sql("DROP TABLE holds"), 3,
       "это не файл данных программы: нет таблицы holds", kFileNames},
      {"a trigger", sql("CREATE TRIGGER wipe AFTER INSERT ON records BEGIN "
                        "DELETE FROM records WHERE _id <> new._id; END"),
       3, "в файле есть триггер wipe", NamesAnd({"wipe"})},
      {"a view", sql("CREATE VIEW v AS SELECT 1"), 3, "в файле есть представление v",
       NamesAnd({"v"})},
      {"a column less", sql("ALTER TABLE records DROP COLUMN KF"), 3,
       "в таблице records нет столбца KF", kFileNames},
      {"a column more", sql("ALTER TABLE records ADD COLUMN extra TEXT"), 3,
       "в таблице records есть столбец extra, которого нет в описании", NamesAnd({"extra"})},
      {"a column of another type",
       sql(kRemakeRecords + "(_id INTEGER PRIMARY KEY AUTOINCREMENT, _version INTEGER, "
                            "NN INTEGER, KF TEXT); " + kRemadeRecordsEnd),
       3, "столбец KF таблицы records хранит значения TEXT, а не REAL", kFileNames},
      {"a row id of another kind",
       sql(kRemakeRecords + "(_id INT PRIMARY KEY, _version INTEGER, NN INTEGER, KF REAL); " +
           kRemadeRecordsEnd),
       3, "столбец _id таблицы records не является её целочисленным ключом строк", kFileNames},
      {"holds keyed otherwise",
       sql("DROP TABLE holds; CREATE TABLE holds(record INTEGER, pid INTEGER NOT NULL, "
           "started INTEGER NOT NULL, owner INTEGER NOT NULL)"),
       3, "столбец record таблицы holds не является её ключом", NamesAnd({"record"})},
      {"a hold that is none", sql("INSERT INTO holds VALUES(1, 'x', 2, 3)"), 3,
       "в таблице holds есть строка, которая не описывает занятую запись", kFileNames},
      {"an index elsewhere", sql("CREATE INDEX odd ON meta(value)"), 3,
       "индекс odd построен по таблице meta", NamesAnd({"odd"})},
      {"a folder", [] { ASSERT_EQ(mkdir("kf", 0700), 0); }, 3, "это не файл, а папка", {}},
      {"a pipe", [] { ASSERT_EQ(mkfifo("kf", 0600), 0); }, 3, "это не файл, а канал", {}},
      {"a socket",
       [] {
         const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un addr{};
         addr.sun_family = AF_UNIX;
         std::strcpy(addr.sun_path, "kf");
         ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
         close(fd);
       },
       3, "это не файл, а сокет", {}},
      {"a device", [] { ASSERT_EQ(symlink("/dev/null", "kf"), 0); }, 3,
       "это не файл, а устройство", {}},
      {"a loop of links", [] { ASSERT_EQ(symlink("kf", "kf"), 0); }, 3,
       "это не файл, а петля символических ссылок", {}},
      {"a number past the field", sql("UPDATE records SET NN = 300 WHERE NN = 2"), 0,
       "запись 2: поле KF:NN хранит 300, а поле типа BYTE такого значения не вмещает",
       kFileNames},
      {"a fraction for a number", sql("UPDATE records SET NN = 2.5 WHERE NN = 2"), 0,
       "запись 2: поле KF:NN хранит 2.5, а не целое число", kFileNames},
      {"text for the odds", sql("UPDATE records SET KF = '2,5' WHERE NN = 2"), 0,
       "запись 2: поле KF:KF хранит '2,5', а не число", kFileNames},
      {"odds past every number", sql("UPDATE records SET KF = 1e999 WHERE NN = 2"), 0,
       "запись 2: поле KF:KF хранит Inf, а не конечное число", NamesAnd({"Inf"})},
      {"bytes for the odds", sql("UPDATE records SET KF = x'0102' WHERE NN = 2"), 0,
       "запись 2: поле KF:KF хранит 2 байт, а не число", kFileNames},
      {"no odds",
       sql(kRemakeRecords + "(_id INTEGER PRIMARY KEY AUTOINCREMENT, _version INTEGER, "
                            "NN INTEGER, KF REAL); " + kRemadeRecordsEnd +
           "; UPDATE records SET KF = NULL WHERE NN = 2"),
       0, "запись 2: поле KF:KF не хранит значения (NULL)", kFileNames},
      {"a version that is text", sql("UPDATE records SET _version = 'v' WHERE NN = 2"), 0,
       "запись 2: её версия 'v' не целое число", NamesAnd({"v"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all("kf");
    c.make();
    const ProgramRun r = RunProgramIn(".", 60);
    EXPECT_EQ(r.exit_code, c.exit_code) << r.out << r.err;
    EXPECT_NE(r.out.find(c.said), std::string::npos) << r.out;
    EXPECT_TRUE(HasCyrillic(r.out)) << r.out;
    EXPECT_EQ(LatinWords(r.out, c.names), std::vector<std::string>{}) << r.out;
    std::filesystem::remove_all("kf");
  }
}

// The runtime's texts about text and byte fields, keys to be rebuilt and faulty declarations,
// which the calculator's own file never gives: made for real with files and declarations that
// have them, and shown as the calculator's error manager shows them.
TEST(RussianTextsTest, ReadErrorsOfTextAndByteFieldsKeyAndDeclarationRefusalsComposeInRussian) {
  rt::test::ScopedHeadlessBackend headless;
  rt::TempFolder dir;
  const std::string path = dir.File("tf");
#pragma pack(push, 1)
  struct Row {
    char name[4];
    char city[5];
    unsigned char bits[2];
    int32_t n;
  };
#pragma pack(pop)
  rt::RecordDescriptor layout;
  layout.Add("T:NAME", rt::Type::String, 4)
      .Add("T:CITY", rt::Type::CString, 5)
      .Add("T:BITS", rt::Type::Group, 2)
      .Add("T:N", rt::Type::Long);
  rt::FileDeclaration decl("T", path, layout);
  decl.AddKey("T:n_key").Ascending(3).Unique().MakePrimary();
  fw::ErrorManager errors;
  errors.Setup();
  const std::span<const uint8_t> table = RussianErrorTable();
  errors.LoadErrorTable(table.data(), table.size());
  errors.TRANSLATOR = &RussianTranslator();
  errors.SetFileName("tf");
  auto shown = [&](uint16_t id) {
    errors.CaptureRuntimeError();
    EXPECT_EQ(errors.SelectError(id), fw::kLevelGoOn);
    return errors.ComposeMessage();
  };
  const std::set<std::string> names = {"tf", "T", "NAME", "CITY", "BITS", "N", "n", "key",
                                       "records", "extra", "abcdefgh", "a", "b"};
  struct Case {
    std::string sql;
    const char* said;
  };
  const std::vector<Case> reads = {
      {"UPDATE records SET NAME = x'41'", "поле T:NAME хранит 1 байт, а не текст"},
      {"UPDATE records SET CITY = 'abcdefgh'",
       "поле T:CITY хранит 'abcdefgh', а в нём всего 4 байт"},
      {"UPDATE records SET CITY = 'a' || char(0) || 'b'", "текст с нулевым байтом внутри"},
      {"UPDATE records SET BITS = 12", "поле T:BITS хранит 12, а не байты"},
      {"UPDATE records SET BITS = x'010203'", "поле T:BITS хранит 3 байт, а в нём всего 2 байт"},
  };
  Row row{};
  for (const Case& c : reads) {
    SCOPED_TRACE(c.sql);
    std::filesystem::remove(path);
    rt::KeyedFile file(decl, &row);
    ASSERT_EQ(file.Create(), 0);
    ASSERT_EQ(file.Open(), 0);
    row.n = 1;
    ASSERT_EQ(file.Add(), 0);
    ASSERT_EQ(file.Close(), 0);
    ASSERT_EQ(rt::testing::ApplySql(path, c.sql), 0);
    ASSERT_EQ(file.Open(), 0);
    ASSERT_EQ(file.Set(&decl.Key(0)), 0);
    ASSERT_EQ(file.Next(), rt::kDriverError);
    const std::string text = shown(fw::kErrRecordUnreadable);
    EXPECT_NE(text.find(c.said), std::string::npos) << text;
    EXPECT_EQ(LatinWords(text, names), std::vector<std::string>{}) << text;
  }
  // Keys the file holds otherwise than declared: refused until they are built again.
  const std::vector<Case> keys = {
      {"CREATE INDEX extra ON records(NAME)", "индекс extra не относится ни к одному ключу"},
      {"DROP INDEX \"key:T:n_key\"", "индекса ключа T:n_key нет или он не такой, как в описании"},
  };
  for (const Case& c : keys) {
    SCOPED_TRACE(c.sql);
    std::filesystem::remove(path);
    rt::KeyedFile file(decl, &row);
    ASSERT_EQ(file.Create(), 0);
    ASSERT_EQ(rt::testing::ApplySql(path, c.sql), 0);
    ASSERT_EQ(file.Open(), rt::kKeysMustBeRebuilt);
    const std::string text = shown(fw::kErrFileAccess);
    EXPECT_NE(text.find(c.said), std::string::npos) << text;
    EXPECT_EQ(LatinWords(text, names), std::vector<std::string>{}) << text;
  }
  // A list's read the store fails: another program holds the whole file.
  {
    std::filesystem::remove(path);
    rt::KeyedFile file(decl, &row);
    ASSERT_EQ(file.Create(), 0);
    ASSERT_EQ(file.Open(), 0);
    ASSERT_EQ(file.Send("Recover=0"), 0);
    row = Row{};
    row.n = 1;
    ASSERT_EQ(file.Add(), 0);
    rt::View view(&file);
    ASSERT_EQ(view.Open(), 0);
    sqlite3* locker = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &locker), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(locker, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(view.Next(), rt::kDriverError);
    const std::string text = shown(fw::kErrRecordRetrieval);
    EXPECT_NE(text.find("выборка: база данных занята (5)"), std::string::npos) << text;
    EXPECT_EQ(LatinWords(text, names), std::vector<std::string>{}) << text;
    sqlite3_exec(locker, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(locker);
  }
  // Declarations the runtime refuses before it touches a file: a fault of the program, said
  // in the user's language all the same.
  struct Declared {
    std::function<void(rt::RecordDescriptor&)> fields;
    std::function<void(rt::FileDeclaration&)> keys;
    const char* said;
  };
  auto no_keys = [](rt::FileDeclaration&) {};
  auto one_long = [](rt::RecordDescriptor& r) { r.Add("T:A", rt::Type::Long); };
  const std::vector<Declared> declared = {
      {[](rt::RecordDescriptor&) {}, no_keys, "в записи нет полей"},
      {one_long, [](rt::FileDeclaration& d) { d.AddKey("T:k"); }, "у ключа T:k нет составляющих"},
      {one_long, [](rt::FileDeclaration& d) { d.AddKey("T:k").Ascending(9); },
       "ключ T:k не указывает на поле"},
      {[](rt::RecordDescriptor& r) {
         r.AddAt("T:G", rt::Type::Group, 0, 8).AddAt("T:A", rt::Type::Long, 0).AddAt(
             "T:B", rt::Type::Long, 4);
       },
       [](rt::FileDeclaration& d) { d.AddKey("T:k").Ascending(0); },
       "ключ T:k построен по группе полей"},
      {[](rt::RecordDescriptor& r) { r.Add("T:A", rt::Type::Long).Add("T:A", rt::Type::Long); },
       no_keys, "два поля носят метку T:A"},
      {[](rt::RecordDescriptor& r) { r.Add("", rt::Type::Long); }, no_keys,
       "у поля пустое имя"},
      {[](rt::RecordDescriptor& r) { r.Add("T:_upper_x", rt::Type::Long); }, no_keys,
       "поле _upper_x названо как служебный столбец"},
      {[](rt::RecordDescriptor& r) { r.Add("T:A", rt::Type::Long).Add("A", rt::Type::Long); },
       no_keys, "у поля A столбец другого поля"},
  };
  const std::set<std::string> declared_names = {"tf", "T", "k", "A", "upper", "x"};
  for (const Declared& c : declared) {
    SCOPED_TRACE(c.said);
    rt::RecordDescriptor fields;
    c.fields(fields);
    rt::FileDeclaration odd("T", path, fields);
    c.keys(odd);
    std::vector<unsigned char> buffer(fields.RecordSize() + 1);
    rt::KeyedFile file(odd, buffer.data());
    ASSERT_EQ(file.Open(), rt::kInvalidRecordDeclaration);
    const std::string text = shown(fw::kErrFileAccess);
    EXPECT_NE(text.find(c.said), std::string::npos) << text;
    EXPECT_EQ(LatinWords(text, declared_names), std::vector<std::string>{}) << text;
  }
}

}  // namespace
}  // namespace app::test
