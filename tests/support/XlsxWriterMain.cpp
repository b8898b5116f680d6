// hlvxlsxwriter FOLDER: writes the workbooks of the Excel tests into FOLDER with libxlsxwriter:
// book.xlsx (shared and rich strings, numbers, a date and a date-and-time format, truth values,
// empty cells, a row left out, two sheets) and inline.xlsx (inline strings, an empty header).
// A program of its own, since libxlsxwriter's minizip and QuaZip's export the same symbols.
#include <xlsxwriter.h>

#include <string>

namespace {

bool WriteBook(const std::string& path) {
  lxw_workbook* book = workbook_new(path.c_str());
  lxw_format* date = workbook_add_format(book);
  format_set_num_format(date, "yyyy-mm-dd");
  lxw_format* stamp = workbook_add_format(book);
  format_set_num_format(stamp, "dd/mm/yyyy hh:mm");
  lxw_format* bold = workbook_add_format(book);
  format_set_bold(bold);

  lxw_worksheet* people = workbook_add_worksheet(book, "People");
  const char* titles[] = {"name", "born", "score", "member", "note", "seen"};
  for (lxw_col_t column = 0; column < 6; ++column) worksheet_write_string(people, 0, column, titles[column], nullptr);
  lxw_datetime born[] = {{2024, 1, 31, 0, 0, 0}, {1900, 1, 1, 0, 0, 0}};
  lxw_datetime seen = {2024, 2, 29, 10, 30, 0};
  lxw_rich_string_tuple boldPart = {bold, const_cast<char*>("bold ")}, plainPart = {nullptr, const_cast<char*>("plain")};
  lxw_rich_string_tuple* rich[] = {&boldPart, &plainPart, nullptr};
  worksheet_write_string(people, 1, 0, "Ann", nullptr);
  worksheet_write_datetime(people, 1, 1, &born[0], date);
  worksheet_write_number(people, 1, 2, 1.5, nullptr);
  worksheet_write_boolean(people, 1, 3, 1, nullptr);
  worksheet_write_rich_string(people, 1, 4, rich, nullptr);
  worksheet_write_datetime(people, 1, 5, &seen, stamp);
  worksheet_write_string(people, 3, 0, "Bob", nullptr);
  worksheet_write_datetime(people, 3, 1, &born[1], date);
  worksheet_write_number(people, 3, 2, -2, nullptr);
  worksheet_write_boolean(people, 3, 3, 0, nullptr);

  lxw_worksheet* second = workbook_add_worksheet(book, "Second");
  worksheet_write_string(second, 0, 0, "n", nullptr);
  for (lxw_row_t row = 1; row <= 3; ++row) worksheet_write_number(second, row, 0, row, nullptr);
  return workbook_close(book) == LXW_NO_ERROR;
}

// In constant memory mode libxlsxwriter writes inline strings.
bool WriteInline(const std::string& path) {
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
  lxw_worksheet* sheet = workbook_add_worksheet(book, "Inline");
  worksheet_write_string(sheet, 0, 0, "a", nullptr);
  worksheet_write_string(sheet, 0, 2, "c", nullptr);
  worksheet_write_string(sheet, 1, 0, "x", nullptr);
  worksheet_write_number(sheet, 1, 1, 7, nullptr);
  return workbook_close(book) == LXW_NO_ERROR;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string folder = argv[1];
  return WriteBook(folder + "/book.xlsx") && WriteInline(folder + "/inline.xlsx") ? 0 : 1;
}
