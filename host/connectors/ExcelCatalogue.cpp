#include "host/connectors/ExcelCatalogue.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QXmlStreamReader>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>

namespace {

// The most bytes one part may unpack to, and all parts one reading unpacks together.
constexpr qint64 kMaxPartBytes = qint64{64} << 20;
constexpr qint64 kMaxUnpackedBytes = qint64{256} << 20;
// The deepest XML element nesting accepted; a workbook's parts nest less than ten deep.
constexpr int kMaxDepth = 64;
// The widest sheet: column XFD.
constexpr int kMaxColumns = 16384;
// How many rows decide a column's type, whatever number of rows is asked for.
constexpr std::size_t kSampleRows = Preview::kMaxRows;
constexpr std::size_t kMaxCells = std::size_t{1} << 20;

const QLatin1String kRelationships("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

// A zip entry read through QuaZip that stops with an error past its cap, whatever the zip's
// header claimed its size to be.
class CappedEntry final : public QIODevice {
 public:
  CappedEntry(QuaZipFile& file, qint64 cap) : m_file(file), m_left(cap) { open(QIODevice::ReadOnly); }
  bool isSequential() const override { return true; }
  bool Overflowed() const { return m_overflowed; }
  qint64 Read() const { return m_read; }

 protected:
  qint64 readData(char* data, qint64 size) override {
    const qint64 got = m_file.read(data, std::min(size, m_left + 1));
    if (got < 0) return -1;
    if (got > m_left) {
      m_overflowed = true;
      return -1;
    }
    m_left -= got;
    m_read += got;
    return got;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  QuaZipFile& m_file;
  qint64 m_left;
  qint64 m_read = 0;
  bool m_overflowed = false;
};

// One XML part being read: each token checked for a document type (refused, so that no entity
// is ever declared, let alone expanded), depth and well-formedness.
class Xml {
 public:
  Xml(CappedEntry& entry, TString part, TString doing)
      : m_reader(&entry), m_entry(entry), m_part(std::move(part)), m_doing(std::move(doing)) {}

  // The next start or end element; false at the end of the document.
  bool Next() {
    while (!m_reader.atEnd()) {
      switch (m_reader.readNext()) {
        case QXmlStreamReader::DTD:
          Fail(QStringLiteral("it declares a document type, which a workbook never does"));
        case QXmlStreamReader::StartElement:
          if (++m_depth > kMaxDepth) Fail(QStringLiteral("its elements nest deeper than %1").arg(kMaxDepth));
          return true;
        case QXmlStreamReader::EndElement:
          --m_depth;
          return true;
        default:
          break;
      }
    }
    Check();
    return false;
  }
  bool IsStart(const char* name) const {
    return m_reader.isStartElement() && m_reader.name() == QLatin1String(name);
  }
  bool IsEnd(const char* name) const { return m_reader.isEndElement() && m_reader.name() == QLatin1String(name); }
  TString Attribute(const char* name) const { return m_reader.attributes().value(QLatin1String(name)).toString(); }
  TString Attribute(QLatin1String ns, const char* name) const {
    return m_reader.attributes().value(ns, QLatin1String(name)).toString();
  }
  // The text of the element just started, which holds no elements.
  TString Text() {
    TString text = m_reader.readElementText();
    --m_depth;
    Check();
    return text;
  }
  // The texts (<t>) of a rich text element just started (<si>, <is>), its phonetic runs left out.
  TString RichText(const char* element) {
    TString text;
    while (Next() && !IsEnd(element)) {
      if (IsStart("rPh")) {
        m_reader.skipCurrentElement();
        --m_depth;
      } else if (IsStart("t")) {
        text += Text();
      }
    }
    return text;
  }
  [[noreturn]] void Fail(const TString& why) const {
    FileCatalogue::Fail(m_doing, QStringLiteral("its part \"%1\" is refused: %2").arg(m_part, why));
  }

 private:
  void Check() const {
    if (m_entry.Overflowed())
      Fail(QStringLiteral("it unpacks to more than %1 MiB (the file may be a zip bomb)").arg(kMaxPartBytes >> 20));
    if (m_reader.hasError())
      Fail(QStringLiteral("%1 (line %2)").arg(m_reader.errorString()).arg(m_reader.lineNumber()));
  }

  QXmlStreamReader m_reader;
  CappedEntry& m_entry;
  const TString m_part;
  const TString m_doing;
  int m_depth = 0;
};

// An open workbook file: its parts read one at a time, their sizes counted together.
class Zip {
 public:
  Zip(const TString& path, TString doing) : m_zip(path), m_doing(std::move(doing)) {
    if (!m_zip.open(QuaZip::mdUnzip))
      FileCatalogue::Fail(m_doing, QStringLiteral("it is not an Excel workbook (.xlsx): not a zip file"));
  }

  // Hands the part `name` to `read` as Xml; false when the workbook has no such part.
  template <typename Reader>
  bool Read(const TString& name, Reader&& read) {
    if (!m_zip.setCurrentFile(name)) return false;
    QuaZipFileInfo64 info;
    if (!m_zip.getCurrentFileInfo(&info))
      FileCatalogue::Fail(m_doing, QStringLiteral("its part \"%1\" cannot be read").arg(name));
    const qint64 cap = std::min(kMaxPartBytes, m_left);
    if (info.uncompressedSize > static_cast<quint64>(cap))
      FileCatalogue::Fail(m_doing, QStringLiteral("its part \"%1\" unpacks to more than %2 MiB (the file may be a "
                                                  "zip bomb)")
                                       .arg(name)
                                       .arg(cap >> 20));
    QuaZipFile file(&m_zip);
    if (!file.open(QIODevice::ReadOnly))
      FileCatalogue::Fail(m_doing, QStringLiteral("its part \"%1\" cannot be unpacked").arg(name));
    CappedEntry entry(file, cap);
    Xml xml(entry, name, m_doing);
    read(xml);
    m_left -= entry.Read();
    return true;
  }
  const TString& Doing() const { return m_doing; }

 private:
  QuaZip m_zip;
  const TString m_doing;
  qint64 m_left = kMaxUnpackedBytes;
};

// The zip entry a relationship's target names: relative to xl/, or absolute.
TString PartOf(const TString& target) {
  if (target.startsWith(QLatin1Char('/'))) return QDir::cleanPath(target.mid(1));
  return QDir::cleanPath(QStringLiteral("xl/") + target);
}

// ---------------------------------------------------------------------------------------------
// Styles: which cell formats show a number as a date or a date and time.

enum class Shown { kNumber, kDate, kDateTime };

// A number format's code shows a date when it has a day, month or year outside quoted text,
// brackets and escapes; a time when it has hours or seconds.
Shown ShownBy(const TString& code) {
  bool date = false, time = false;
  for (int i = 0; i < code.size(); ++i) {
    const QChar c = code[i].toLower();
    if (c == QLatin1Char('"')) {
      i = code.indexOf(QLatin1Char('"'), i + 1);
      if (i < 0) break;
    } else if (c == QLatin1Char('[')) {
      i = code.indexOf(QLatin1Char(']'), i + 1);
      if (i < 0) break;
    } else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
      ++i;
    } else if (c == QLatin1Char('d') || c == QLatin1Char('m') || c == QLatin1Char('y')) {
      date = true;
    } else if (c == QLatin1Char('h') || c == QLatin1Char('s')) {
      time = true;
    }
  }
  return time ? Shown::kDateTime : date ? Shown::kDate : Shown::kNumber;
}

Shown BuiltInShown(int id) {
  if (id >= 14 && id <= 17) return Shown::kDate;
  if ((id >= 18 && id <= 22) || (id >= 45 && id <= 47)) return Shown::kDateTime;
  return Shown::kNumber;
}

std::vector<Shown> ReadStyles(Xml& xml) {
  std::map<int, Shown> custom;
  std::vector<Shown> styles;
  bool inCellXfs = false;
  while (xml.Next()) {
    if (xml.IsStart("numFmt")) {
      custom[xml.Attribute("numFmtId").toInt()] = ShownBy(xml.Attribute("formatCode"));
    } else if (xml.IsStart("cellXfs")) {
      inCellXfs = true;
    } else if (xml.IsEnd("cellXfs")) {
      inCellXfs = false;
    } else if (inCellXfs && xml.IsStart("xf")) {
      const int id = xml.Attribute("numFmtId").toInt();
      const auto found = custom.find(id);
      styles.push_back(found != custom.end() ? found->second : BuiltInShown(id));
    }
  }
  return styles;
}

// ---------------------------------------------------------------------------------------------
// Cells

struct RawCell {
  enum class Kind { kNull, kNumber, kBool, kText } kind = Kind::kNull;
  double number = 0;
  TString text;
  Shown shown = Shown::kNumber;
};
using RawRow = std::vector<RawCell>;

// The 0-based column of a cell reference such as "AB12"; -1 without one.
int ColumnOf(const TString& reference) {
  int column = 0, letters = 0;
  for (const QChar c : reference) {
    if (c < QLatin1Char('A') || c > QLatin1Char('Z')) break;
    column = column * 26 + (c.unicode() - 'A' + 1);
    if (++letters > 3) return kMaxColumns;
  }
  return letters == 0 ? -1 : column - 1;
}

// A serial number as the date, or date and time, it stands for; null when out of range.
QDateTime DateTimeOf(double serial, bool date1904) {
  if (!(serial >= 0 && serial < 2958466)) return QDateTime();
  const qint64 seconds = std::llround(serial * 86400.0);
  const qint64 days = seconds / 86400;
  // Day 60 of the 1900 system is 1900-02-29, a day that never was: from day 61 on, day 0 is
  // 1899-12-30.
  const QDate base = date1904 ? QDate(1904, 1, 1) : days >= 61 ? QDate(1899, 12, 30) : QDate(1899, 12, 31);
  return QDateTime(base.addDays(days), QTime(0, 0).addSecs(static_cast<int>(seconds % 86400)), Qt::UTC);
}

TString NumberText(double number) { return QString::number(number, 'g', 15); }

// A cell as text, for a header or a column of mixed types.
TString TextOf(const RawCell& cell, bool date1904) {
  switch (cell.kind) {
    case RawCell::Kind::kNull:
      return TString();
    case RawCell::Kind::kBool:
      return cell.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case RawCell::Kind::kText:
      return cell.text;
    case RawCell::Kind::kNumber:
      break;
  }
  const QDateTime dateTime = cell.shown == Shown::kNumber ? QDateTime() : DateTimeOf(cell.number, date1904);
  if (!dateTime.isValid()) return NumberText(cell.number);
  return dateTime.toString(cell.shown == Shown::kDate && dateTime.time() == QTime(0, 0)
                               ? QStringLiteral("yyyy-MM-dd")
                               : QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

bool IsWhole(double number) { return std::floor(number) == number && std::fabs(number) < 9007199254740992.0; }

// The column's type from its values: all truth values, all dates (with a time of day), all
// whole numbers, all numbers; text otherwise, and when there are none.
const char* TypeOf(const std::vector<RawRow>& rows, std::size_t end, std::size_t column) {
  bool any = false, bools = true, dates = true, times = false, wholes = true, numbers = true;
  for (std::size_t index = 1; index < end; ++index) {
    const RawRow& row = rows[index];
    if (column >= row.size() || row[column].kind == RawCell::Kind::kNull) continue;
    const RawCell& cell = row[column];
    any = true;
    bools = bools && cell.kind == RawCell::Kind::kBool;
    numbers = numbers && cell.kind == RawCell::Kind::kNumber;
    wholes = wholes && numbers && IsWhole(cell.number);
    dates = dates && numbers && cell.shown != Shown::kNumber && DateTimeOf(cell.number, false).isValid();
    times = times || (numbers && (cell.shown == Shown::kDateTime || !IsWhole(cell.number)));
  }
  if (!any) return "text";
  if (bools) return "boolean";
  if (dates) return times ? "datetime" : "date";
  if (wholes) return "integer";
  return numbers ? "real" : "text";
}

Preview::Cell CellOf(const RawCell& cell, const TString& type, bool date1904, Preview::Result& result) {
  if (cell.kind == RawCell::Kind::kNull) return std::monostate();
  if (type == QLatin1String("boolean")) return cell.number != 0;
  if (type == QLatin1String("integer")) return static_cast<std::int64_t>(cell.number);
  if (type == QLatin1String("real")) return cell.number;
  return Preview::CapCell(TextOf(cell, date1904), result);
}

}  // namespace

ExcelCatalogue::ExcelCatalogue(TString path, std::vector<Sheet> sheets, TString sharedStrings, TString styles,
                               bool date1904)
    : FileCatalogue(QStringLiteral("the Excel workbook \"%1\"").arg(path)),
      m_path(std::move(path)),
      m_sheets(std::move(sheets)),
      m_sharedStrings(std::move(sharedStrings)),
      m_styles(std::move(styles)),
      m_date1904(date1904) {}

std::unique_ptr<LiveCatalogue> ExcelCatalogue::Open(const ConnectionAttributeMap& attributes) {
  const TString filename = AttributeValue(attributes, DataConnectionAttrs::attrFilename);
  const TString doing = QStringLiteral("Opening the Excel workbook \"%1\"").arg(filename);
  const QFileInfo file(filename);
  if (filename.isEmpty() || !file.exists())
    Fail(doing, QStringLiteral("the file does not exist"), DataSourceException::Reason::kDatabaseMissing);
  if (!file.isFile()) Fail(doing, QStringLiteral("it is not a file"), DataSourceException::Reason::kDatabaseMissing);

  Zip zip(file.absoluteFilePath(), doing);
  std::vector<std::pair<TString, TString>> sheetIds;  // name, relationship id
  bool date1904 = false;
  const bool isWorkbook = zip.Read(QStringLiteral("xl/workbook.xml"), [&](Xml& xml) {
    while (xml.Next()) {
      if (xml.IsStart("sheet"))
        sheetIds.emplace_back(xml.Attribute("name"), xml.Attribute(kRelationships, "id"));
      else if (xml.IsStart("workbookPr"))
        date1904 = xml.Attribute("date1904") == QLatin1String("1") || xml.Attribute("date1904") == QLatin1String("true");
    }
  });
  if (!isWorkbook) Fail(doing, QStringLiteral("it is a zip file, but not an Excel workbook (.xlsx)"));
  std::map<TString, TString> targets;
  TString sharedStrings, styles;
  zip.Read(QStringLiteral("xl/_rels/workbook.xml.rels"), [&](Xml& xml) {
    while (xml.Next()) {
      if (!xml.IsStart("Relationship")) continue;
      const TString type = xml.Attribute("Type");
      const TString part = PartOf(xml.Attribute("Target"));
      if (type.endsWith(QLatin1String("/worksheet"))) targets[xml.Attribute("Id")] = part;
      if (type.endsWith(QLatin1String("/sharedStrings"))) sharedStrings = part;
      if (type.endsWith(QLatin1String("/styles"))) styles = part;
    }
  });
  std::vector<Sheet> sheets;
  for (const auto& [name, id] : sheetIds)
    if (const auto found = targets.find(id); found != targets.end()) sheets.push_back({name, found->second});
  return std::unique_ptr<LiveCatalogue>(
      new ExcelCatalogue(file.absoluteFilePath(), std::move(sheets), sharedStrings, styles, date1904));
}

void ExcelCatalogue::Tables(const TString&, std::vector<RelationalDSConnectionConfigTableInfo>& tables) const {
  for (const Sheet& sheet : m_sheets) tables.push_back(MakeTableInfo(TString(), sheet.name, false));
}

void ExcelCatalogue::Preview(const Preview::Request& request, Preview::Result& result) const {
  const TString name = RequestedTable(request);
  const auto sheet =
      std::find_if(m_sheets.begin(), m_sheets.end(), [&name](const Sheet& candidate) { return candidate.name == name; });
  const TString doing = QStringLiteral("Previewing the sheet \"%1\" of %2").arg(name, What());
  if (sheet == m_sheets.end())
    Fail(doing, QStringLiteral("the workbook has no such sheet"), DataSourceException::Reason::kDatabaseMissing);

  Watch watch(request, doing);
  watch.Check();
  Zip zip(m_path, doing);
  std::vector<TString> strings;
  if (!m_sharedStrings.isEmpty())
    zip.Read(m_sharedStrings, [&](Xml& xml) {
      while (xml.Next())
        if (xml.IsStart("si")) {
          strings.push_back(xml.RichText("si"));
          watch.Tick();
        }
    });
  std::vector<Shown> styles;
  if (!m_styles.isEmpty()) zip.Read(m_styles, [&styles](Xml& xml) { styles = ReadStyles(xml); });

  // The header, then up to kSampleRows + 1 rows, rows the sheet leaves out given as empty ones.
  std::vector<RawRow> rows;
  bool cut = false;
  const bool found = zip.Read(sheet->part, [&](Xml& xml) {
    std::size_t cells = 0, bytes = 0;
    long long lastRow = 0;
    while (xml.Next() && rows.size() < kSampleRows + 2) {
      if (!xml.IsStart("row")) continue;
      bool ok = false;
      const long long number = xml.Attribute("r").toLongLong(&ok);
      const long long rowNumber = ok && number > lastRow ? number : lastRow + 1;
      // Rows left out between rows become empty rows, but not before the header.
      while (!rows.empty() && lastRow + 1 < rowNumber && rows.size() < kSampleRows + 2) rows.emplace_back(), ++lastRow;
      lastRow = rowNumber;
      RawRow row;
      while (xml.Next() && !xml.IsEnd("row")) {
        if (!xml.IsStart("c")) continue;
        watch.Tick();
        const int at = ColumnOf(xml.Attribute("r"));
        const int column = at < 0 ? static_cast<int>(row.size()) : at;
        if (column >= kMaxColumns) xml.Fail(QStringLiteral("a cell lies beyond the last column, XFD"));
        RawCell cell;
        const TString type = xml.Attribute("t");
        const int style = xml.Attribute("s").toInt();
        TString value;
        bool hasValue = false;
        while (xml.Next() && !xml.IsEnd("c")) {
          if (xml.IsStart("v"))
            value = xml.Text(), hasValue = true;
          else if (xml.IsStart("is"))
            value = xml.RichText("is"), hasValue = true;
        }
        if (hasValue) {
          if (type == QLatin1String("s")) {
            const int index = value.toInt(&ok);
            if (!ok || index < 0 || static_cast<std::size_t>(index) >= strings.size())
              xml.Fail(QStringLiteral("a cell refers to shared string %1 of %2").arg(value).arg(strings.size()));
            cell.kind = RawCell::Kind::kText, cell.text = strings[static_cast<std::size_t>(index)];
          } else if (type == QLatin1String("b")) {
            cell.kind = RawCell::Kind::kBool, cell.number = value.trimmed() == QLatin1String("1") ? 1 : 0;
          } else if (type.isEmpty() || type == QLatin1String("n")) {
            cell.number = value.toDouble(&ok);
            cell.kind = ok ? RawCell::Kind::kNumber : RawCell::Kind::kText;
            cell.text = ok ? TString() : value;
            if (style >= 0 && static_cast<std::size_t>(style) < styles.size()) cell.shown = styles[style];
          } else {
            // Inline strings, formula strings, errors such as "#DIV/0!" and ISO dates.
            cell.kind = RawCell::Kind::kText, cell.text = value;
          }
        }
        bytes += static_cast<std::size_t>(cell.text.size());
        if (static_cast<std::size_t>(column) >= row.size()) row.resize(static_cast<std::size_t>(column) + 1);
        row[static_cast<std::size_t>(column)] = std::move(cell);
      }
      cells += row.size();
      if (cells > kMaxCells || bytes > Preview::kMaxTotalBytes) {
        cut = true;
        break;
      }
      rows.push_back(std::move(row));
    }
  });
  if (!found) Fail(doing, QStringLiteral("the workbook lacks the sheet's part \"%1\"").arg(sheet->part));
  watch.Check();

  std::size_t columns = 0;
  for (const RawRow& row : rows) columns = std::max(columns, row.size());
  const RawRow header = rows.empty() ? RawRow() : rows.front();
  const std::size_t sampleEnd = std::min(rows.size(), kSampleRows + 1);
  for (std::size_t column = 0; column < columns; ++column) {
    const TString title = column < header.size() ? TextOf(header[column], m_date1904) : TString();
    result.columns.push_back({title.isEmpty() ? QStringLiteral("F%1").arg(column + 1) : title,
                              QLatin1String(TypeOf(rows, sampleEnd, column)), Preview::Column::Nullable::kUnknown});
  }
  const std::size_t wanted = std::min(static_cast<std::size_t>(request.rows), kMaxCells / std::max<std::size_t>(columns, 1));
  Budget budget;
  for (std::size_t index = 1; index < rows.size(); ++index) {
    if (result.rows.size() == wanted) break;
    std::vector<Preview::Cell> row;
    std::size_t bytes = 0;
    for (std::size_t column = 0; column < columns; ++column) {
      const RawCell empty;
      const RawCell& cell = column < rows[index].size() ? rows[index][column] : empty;
      row.push_back(CellOf(cell, result.columns[column].type, m_date1904, result));
      if (const auto* text = std::get_if<TString>(&row.back())) bytes += static_cast<std::size_t>(text->size());
      if (std::holds_alternative<std::monostate>(row.back()))
        result.columns[column].nullable = Preview::Column::Nullable::kYes;
    }
    if (!budget.Take(row.size(), bytes)) break;
    result.rows.push_back(std::move(row));
  }
  result.moreRows = cut || rows.size() > result.rows.size() + 1;
}
