#include "host/connectors/TextFileCatalogue.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>
#include <QTextDecoder>

#include <csv.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <utility>

namespace {

using Encoding = TextFileCatalogue::Encoding;
using Type = TextFileCatalogue::Type;

// Detection reads this much of a file, and no more.
constexpr qint64 kSampleBytes = 64 * 1024;
// A file is read in blocks of this size.
constexpr qint64 kBlockBytes = 64 * 1024;
// The longest record and the most fields a record may have.
constexpr std::size_t kMaxRecordBytes = std::size_t{16} << 20;
constexpr int kMaxColumns = 16384;

const std::array<const char*, 4> kExtensions = {"csv", "txt", "tsv", "tab"};

bool IsTextFile(const QFileInfo& file) {
  const QString suffix = file.suffix().toLower();
  return file.isFile() && std::any_of(kExtensions.begin(), kExtensions.end(),
                                      [&suffix](const char* extension) { return suffix == QLatin1String(extension); });
}

const char* TypeName(Type type) {
  switch (type) {
    case Type::kInteger:
      return "integer";
    case Type::kReal:
      return "real";
    case Type::kDate:
      return "date";
    case Type::kDetect:
    case Type::kText:
      break;
  }
  return "text";
}

// ---------------------------------------------------------------------------------------------
// Values

bool IsInteger(const QByteArray& text) {
  if (text.isEmpty()) return false;
  const int start = text[0] == '+' || text[0] == '-' ? 1 : 0;
  if (start == text.size()) return false;
  for (int i = start; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  bool ok = false;
  text.toLongLong(&ok);
  return ok;
}

// A decimal number such as "-1.5" or "2e10"; no "inf", "nan" nor hexadecimal.
std::optional<double> Real(const QByteArray& text) {
  bool digit = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9')
      digit = true;
    else if (c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E')
      return std::nullopt;
  }
  bool ok = false;
  const double value = text.toDouble(&ok);
  if (!digit || !ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

bool IsDate(const QByteArray& text) {
  return text.size() == 10 && text[4] == '-' && text[7] == '-' &&
         QDate::fromString(QString::fromLatin1(text), Qt::ISODate).isValid();
}

// The narrowest type every one of `values` fits (integers are real numbers too); text when there
// is no value.
Type TypeOf(const std::vector<const QByteArray*>& values) {
  if (values.empty()) return Type::kText;
  const auto all = [&values](auto&& test) {
    return std::all_of(values.begin(), values.end(), [&test](const QByteArray* value) { return test(*value); });
  };
  if (all(IsInteger)) return Type::kInteger;
  if (all([](const QByteArray& value) { return Real(value).has_value(); })) return Type::kReal;
  if (all(IsDate)) return Type::kDate;
  return Type::kText;
}

bool Fits(const QByteArray& value, Type type) {
  switch (type) {
    case Type::kInteger:
      return IsInteger(value);
    case Type::kReal:
      return Real(value).has_value();
    case Type::kDate:
      return IsDate(value);
    case Type::kDetect:
    case Type::kText:
      break;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Decoding

// Turns a file's bytes into UTF-8, block by block; UTF-8 passes as it is and is checked field by
// field instead.
class Utf8Stream {
 public:
  explicit Utf8Stream(Encoding encoding) : m_encoding(encoding) {
    const char* name = encoding == Encoding::kUtf16Le ? "UTF-16LE" : encoding == Encoding::kUtf16Be ? "UTF-16BE" : nullptr;
    if (name != nullptr) m_decoder.reset(QTextCodec::codecForName(name)->makeDecoder(QTextCodec::IgnoreHeader));
  }
  QByteArray operator()(const QByteArray& bytes) {
    if (m_decoder) return m_decoder->toUnicode(bytes).toUtf8();
    if (m_encoding == Encoding::kLatin1) return QString::fromLatin1(bytes).toUtf8();
    return bytes;
  }
  // Whether UTF-16 held a lone surrogate.
  bool Failed() const { return m_decoder && m_decoder->hasFailure(); }

 private:
  const Encoding m_encoding;
  std::unique_ptr<QTextDecoder> m_decoder;
};

bool IsUtf8(const char* bytes, std::size_t size) {
  if (std::all_of(bytes, bytes + size, [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return true;
  QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
  QTextCodec::codecForMib(106)->toUnicode(bytes, static_cast<int>(size), &state);
  return state.invalidChars == 0 && state.remainingChars == 0;
}

// The encoding of a file that starts with `head`, and the length of its byte order mark.
std::pair<Encoding, int> EncodingOf(const QByteArray& head, Encoding chosen) {
  Encoding found = Encoding::kUtf8;
  int bom = 0;
  if (head.startsWith("\xEF\xBB\xBF"))
    bom = 3;
  else if (head.startsWith("\xFF\xFE"))
    found = Encoding::kUtf16Le, bom = 2;
  else if (head.startsWith("\xFE\xFF"))
    found = Encoding::kUtf16Be, bom = 2;
  if (chosen == Encoding::kDetect) return {found, bom};
  // A mark that does not belong to the chosen encoding is text.
  return {chosen, chosen == found ? bom : 0};
}

// ---------------------------------------------------------------------------------------------
// Parsing

// A record's fields as libcsv gives them; an empty field without quotes is NULL.
using Field = std::optional<QByteArray>;
using Record = std::vector<Field>;

// libcsv, freed however the parse ends.
class Parser {
 public:
  explicit Parser(char delimiter) {
    if (csv_init(&m_parser, CSV_EMPTY_IS_NULL) != 0) throw std::bad_alloc();
    csv_set_delim(&m_parser, static_cast<unsigned char>(delimiter));
    // libcsv grows a field's buffer by this much at a time (128 bytes unless told): a long field
    // would otherwise cost a reallocation, and with some allocators a copy, every 128 bytes.
    csv_set_blk_size(&m_parser, 256 * 1024);
  }
  ~Parser() { csv_free(&m_parser); }
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;

  template <typename Sink>
  void Parse(const char* bytes, std::size_t size, Sink& sink) {
    if (csv_parse(&m_parser, bytes, size, &Sink::OnField, &Sink::OnRecord, &sink) != size) throw std::bad_alloc();
  }
  template <typename Sink>
  void Finish(Sink& sink) {
    csv_fini(&m_parser, &Sink::OnField, &Sink::OnRecord, &sink);
  }

 private:
  csv_parser m_parser{};
};

// Collects up to a number of whole records.
struct Collector {
  std::size_t max;
  std::vector<Record> records;
  Record current;

  static void OnField(void* bytes, std::size_t size, void* self) {
    auto& me = *static_cast<Collector*>(self);
    if (me.records.size() >= me.max || me.current.size() > static_cast<std::size_t>(kMaxColumns)) return;
    me.current.push_back(bytes == nullptr ? Field() : Field(QByteArray(static_cast<const char*>(bytes), int(size))));
  }
  static void OnRecord(int, void* self) {
    auto& me = *static_cast<Collector*>(self);
    if (me.records.size() < me.max) me.records.push_back(std::move(me.current));
    me.current.clear();
  }
};

// The records of `utf8`, at most `max`; a sample cut short loses its last, unfinished record.
std::vector<Record> Records(const QByteArray& utf8, char delimiter, bool whole, std::size_t max) {
  Parser parser(delimiter);
  Collector collector{max, {}, {}};
  parser.Parse(utf8.constData(), static_cast<std::size_t>(utf8.size()), collector);
  if (whole) parser.Finish(collector);
  return std::move(collector.records);
}

// The delimiter that splits the sample's records most consistently into the most fields; the
// fallback when none splits them at all.
char DetectDelimiter(const QByteArray& utf8, bool whole, char fallback) {
  char best = fallback;
  std::tuple<bool, std::size_t, std::size_t> bestScore{false, 0, 1};
  for (const char candidate : {',', ';', '\t', '|'}) {
    std::map<std::size_t, std::size_t> counts;
    const std::vector<Record> records = Records(utf8, candidate, whole, 200);
    for (const Record& record : records) ++counts[record.size()];
    if (counts.empty()) continue;
    const auto mode = std::max_element(counts.begin(), counts.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    const std::tuple<bool, std::size_t, std::size_t> score{mode->second == records.size(), mode->second, mode->first};
    if (mode->first > 1 && score > bestScore) best = candidate, bestScore = score;
  }
  return best;
}

// Whether the first record names the columns: it does when, in a column whose other values all
// have a type beside text, its value lacks that type; when no column tells, when its values are
// all there and all different.
bool DetectHeader(const std::vector<Record>& records) {
  if (records.empty()) return false;
  const Record& first = records.front();
  int votesFor = 0, votesAgainst = 0;
  for (std::size_t column = 0; column < first.size(); ++column) {
    std::vector<const QByteArray*> values;
    for (std::size_t row = 1; row < records.size(); ++row)
      if (column < records[row].size() && records[row][column] && !records[row][column]->isEmpty())
        values.push_back(&*records[row][column]);
    const Type type = TypeOf(values);
    if (type == Type::kText || !first[column]) continue;
    ++(Fits(*first[column], type) ? votesAgainst : votesFor);
  }
  if (votesFor + votesAgainst > 0) return votesFor > votesAgainst;
  std::vector<QByteArray> names;
  for (const Field& field : first) {
    if (!field || field->isEmpty() || Real(*field) || IsDate(*field)) return false;
    names.push_back(*field);
  }
  std::sort(names.begin(), names.end());
  return std::adjacent_find(names.begin(), names.end()) == names.end();
}

// What detection settled for one file.
struct Format {
  Encoding encoding = Encoding::kUtf8;
  int bom = 0;
  char delimiter = ',';
  bool header = false;
  std::vector<TString> names;
  std::vector<Type> types;
};

// Reads the preview's rows: each field converted by its column's type as libcsv hands it over.
struct RowSink {
  const Format& format;
  bool checkUtf8;
  std::size_t wanted;
  Preview::Result& result;
  FileCatalogue::Budget budget;
  std::vector<Preview::Cell> current;
  std::size_t currentBytes = 0;
  bool headerPending;
  bool done = false;
  // How many records have ended.
  std::size_t records = 0;
  // The problem to raise, once libcsv has returned.
  TString problem;
  long long line = 1;

  static void OnField(void* bytes, std::size_t size, void* self) {
    auto& me = *static_cast<RowSink*>(self);
    if (me.done || !me.problem.isEmpty()) return;
    const std::size_t column = me.current.size();
    if (column >= me.format.names.size()) {
      me.problem = QStringLiteral("line %1 has more fields than the %2 columns").arg(me.line).arg(me.format.names.size());
      return;
    }
    const char* text = static_cast<const char*>(bytes);
    if (text != nullptr && me.checkUtf8 && !IsUtf8(text, size)) {
      me.problem = QStringLiteral("line %1 is not valid UTF-8 (a Latin-1 file needs the attribute \"charset\": \"latin1\")")
                       .arg(me.line);
      return;
    }
    if (me.headerPending || text == nullptr) {
      me.current.emplace_back();
      return;
    }
    const QByteArray value = QByteArray::fromRawData(text, static_cast<int>(size));
    const Type type = me.format.types[column];
    if (type != Type::kText && value.isEmpty()) {
      me.current.emplace_back();
    } else if (type == Type::kInteger && IsInteger(value)) {
      me.current.emplace_back(static_cast<std::int64_t>(value.toLongLong()));
    } else if ((type == Type::kInteger || type == Type::kReal) && Real(value)) {
      me.current.emplace_back(*Real(value));
    } else {
      // Text, a date in its ISO form, or a value that does not fit its column's type.
      me.currentBytes += size;
      me.current.emplace_back(Preview::CapCell(QString::fromUtf8(text, static_cast<int>(size)), me.result));
    }
  }

  static void OnRecord(int, void* self) {
    auto& me = *static_cast<RowSink*>(self);
    ++me.records;
    if (me.done || !me.problem.isEmpty()) return;
    std::vector<Preview::Cell> row(std::move(me.current));
    me.current.clear();
    const std::size_t bytes = std::exchange(me.currentBytes, 0);
    if (std::exchange(me.headerPending, false)) return;
    row.resize(me.format.names.size());
    for (std::size_t column = 0; column < row.size(); ++column)
      if (std::holds_alternative<std::monostate>(row[column]))
        me.result.columns[column].nullable = Preview::Column::Nullable::kYes;
    if (me.result.rows.size() == me.wanted || !me.budget.Take(row.size(), bytes)) {
      me.result.moreRows = true;
      me.done = true;
      return;
    }
    me.result.rows.push_back(std::move(row));
  }
};

TextFileCatalogue::Options ReadOptions(const ConnectionAttributeMap& attributes) {
  const auto refuse = [](const char* attribute, const TString& value) {
    throw DataSourceException(
        QStringLiteral("Opening text files failed: \"%1\" is not a value of the attribute \"%2\"")
            .arg(value, QLatin1String(attribute)));
  };
  TextFileCatalogue::Options options;
  const TString charset = AttributeValue(attributes, QStringLiteral("charset")).toLower().remove(QLatin1Char('-'));
  static const std::map<QString, Encoding> kCharsets = {
      {QString(), Encoding::kDetect},          {QStringLiteral("utf8"), Encoding::kUtf8},
      {QStringLiteral("utf16le"), Encoding::kUtf16Le}, {QStringLiteral("utf16be"), Encoding::kUtf16Be},
      {QStringLiteral("latin1"), Encoding::kLatin1},   {QStringLiteral("iso88591"), Encoding::kLatin1}};
  if (const auto found = kCharsets.find(charset); found != kCharsets.end())
    options.encoding = found->second;
  else
    refuse("charset", AttributeValue(attributes, QStringLiteral("charset")));

  const TString delimiter = AttributeValue(attributes, QStringLiteral("delimiter"));
  if (delimiter == QLatin1String("tab") || delimiter == QLatin1String("\\t"))
    options.delimiter = '\t';
  else if (delimiter.size() == 1 && delimiter[0].unicode() > 0x20 && delimiter[0].unicode() < 0x7F &&
           delimiter[0] != QLatin1Char('"'))
    options.delimiter = static_cast<char>(delimiter[0].unicode());
  else if (!delimiter.isEmpty())
    refuse("delimiter", delimiter);

  const TString header = AttributeValue(attributes, QStringLiteral("header")).toLower();
  if (header == QLatin1String("yes") || header == QLatin1String("true"))
    options.header = TextFileCatalogue::Options::Header::kYes;
  else if (header == QLatin1String("no") || header == QLatin1String("false"))
    options.header = TextFileCatalogue::Options::Header::kNo;
  else if (!header.isEmpty())
    refuse("header", header);

  const TString types = AttributeValue(attributes, QStringLiteral("column-types"));
  if (!types.isEmpty()) {
    for (const QString& name : types.split(QLatin1Char(','))) {
      const QString trimmed = name.trimmed().toLower();
      Type type = Type::kDetect;
      for (const Type known : {Type::kInteger, Type::kReal, Type::kDate, Type::kText})
        if (trimmed == QLatin1String(TypeName(known))) type = known;
      if (type == Type::kDetect && !trimmed.isEmpty()) refuse("column-types", types);
      options.types.push_back(type);
    }
  }
  return options;
}

// What the first kSampleBytes of `file` show, with what the options fix.
Format Detect(QFile& file, const TextFileCatalogue::Options& options) {
  const QByteArray head = file.read(kSampleBytes);
  const bool whole = file.atEnd();
  Format format;
  std::tie(format.encoding, format.bom) = EncodingOf(head, options.encoding);
  QByteArray utf8 = Utf8Stream(format.encoding)(head.mid(format.bom));
  const QString suffix = QFileInfo(file.fileName()).suffix().toLower();
  const char fallback = suffix == QLatin1String("tsv") || suffix == QLatin1String("tab") ? '\t' : ',';
  format.delimiter = options.delimiter != 0 ? options.delimiter : DetectDelimiter(utf8, whole, fallback);
  std::vector<Record> records = Records(utf8, format.delimiter, whole, std::size_t(-1));
  format.header = options.header == TextFileCatalogue::Options::Header::kDetect
                      ? DetectHeader(records)
                      : options.header == TextFileCatalogue::Options::Header::kYes;

  std::size_t columns = 0;
  if (format.header && !records.empty())
    columns = records.front().size();
  else
    for (const Record& record : records) columns = std::max(columns, record.size());
  columns = std::min(columns, static_cast<std::size_t>(kMaxColumns));
  for (std::size_t column = 0; column < columns; ++column) {
    const Field* name = format.header ? &records.front()[column] : nullptr;
    format.names.push_back(name != nullptr && *name && !(*name)->isEmpty()
                               ? QString::fromUtf8(**name)
                               : QStringLiteral("F%1").arg(column + 1));
    Type type = column < options.types.size() ? options.types[column] : Type::kDetect;
    if (type == Type::kDetect) {
      std::vector<const QByteArray*> values;
      for (std::size_t row = format.header ? 1 : 0; row < records.size(); ++row)
        if (column < records[row].size() && records[row][column] && !records[row][column]->isEmpty())
          values.push_back(&*records[row][column]);
      type = TypeOf(values);
    }
    format.types.push_back(type);
  }
  return format;
}

}  // namespace

TextFileCatalogue::TextFileCatalogue(TString folder, Options options)
    : FileCatalogue(QStringLiteral("the text files of \"%1\"").arg(folder)),
      m_folder(std::move(folder)),
      m_options(std::move(options)) {}

std::unique_ptr<LiveCatalogue> TextFileCatalogue::Open(const ConnectionAttributeMap& attributes) {
  const TString filename = AttributeValue(attributes, DataConnectionAttrs::attrFilename);
  const TString directory = AttributeValue(attributes, QStringLiteral("directory"));
  if (!filename.isEmpty() && !QFileInfo(filename).isFile())
    Fail(QStringLiteral("Opening the text file \"%1\"").arg(filename),
         QFileInfo::exists(filename) ? QStringLiteral("it is not a file") : QStringLiteral("the file does not exist"),
         DataSourceException::Reason::kDatabaseMissing);
  const QFileInfo folder(directory.isEmpty() ? QFileInfo(filename).absolutePath() : directory);
  if (filename.isEmpty() && directory.isEmpty())
    Fail(QStringLiteral("Opening text files"), QStringLiteral("no file is named (the attribute \"filename\")"));
  if (!folder.isDir())
    Fail(QStringLiteral("Opening the text files of \"%1\"").arg(folder.filePath()),
         QStringLiteral("the folder does not exist"), DataSourceException::Reason::kDatabaseMissing);
  return std::unique_ptr<LiveCatalogue>(new TextFileCatalogue(folder.absoluteFilePath(), ReadOptions(attributes)));
}

void TextFileCatalogue::Tables(const TString&, std::vector<RelationalDSConnectionConfigTableInfo>& tables) const {
  const QFileInfoList files =
      QDir(m_folder).entryInfoList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
  for (const QFileInfo& file : files)
    if (IsTextFile(file)) tables.push_back(MakeTableInfo(TString(), file.fileName(), false));
}

void TextFileCatalogue::Preview(const Preview::Request& request, Preview::Result& result) const {
  const TString name = RequestedTable(request);
  const QFileInfo info(QDir(m_folder).filePath(name));
  const TString doing = QStringLiteral("Previewing the text file \"%1\"").arg(info.filePath());
  if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || !IsTextFile(info))
    Fail(doing, QStringLiteral("the folder has no such text file"), DataSourceException::Reason::kDatabaseMissing);
  QFile file(info.filePath());
  if (!file.open(QIODevice::ReadOnly)) Fail(doing, file.errorString());

  Watch watch(request, doing);
  const Format format = Detect(file, m_options);
  watch.Check();
  for (std::size_t column = 0; column < format.names.size(); ++column)
    result.columns.push_back({format.names[column], QLatin1String(TypeName(format.types[column])),
                              Preview::Column::Nullable::kUnknown});

  RowSink sink{format, format.encoding == Encoding::kUtf8, static_cast<std::size_t>(request.rows), result, {}, {}, 0,
               format.header, false, 0, {}, 1};
  Utf8Stream decode(format.encoding);
  Parser parser(format.delimiter);
  std::size_t recordBytes = 0;
  if (!file.seek(format.bom)) Fail(doing, file.errorString());
  while (!sink.done) {
    const QByteArray block = file.read(kBlockBytes);
    if (block.isEmpty()) {
      if (file.error() != QFileDevice::NoError) Fail(doing, file.errorString());
      parser.Finish(sink);
      break;
    }
    const QByteArray utf8 = decode(block);
    if (decode.Failed()) Fail(doing, QStringLiteral("line %1 is not valid UTF-16").arg(sink.line));
    // Fed line by line, so that each field is known to come from the line being fed.
    for (int start = 0; start < utf8.size() && !sink.done;) {
      const int newline = utf8.indexOf('\n', start);
      const int end = newline < 0 ? utf8.size() : newline + 1;
      const std::size_t before = sink.records;
      parser.Parse(utf8.constData() + start, static_cast<std::size_t>(end - start), sink);
      if (!sink.problem.isEmpty()) Fail(doing, sink.problem);
      recordBytes = sink.records != before ? 0 : recordBytes + static_cast<std::size_t>(end - start);
      if (recordBytes > kMaxRecordBytes)
        Fail(doing, QStringLiteral("line %1 is longer than %2 MiB").arg(sink.line).arg(kMaxRecordBytes >> 20));
      if (newline >= 0) ++sink.line;
      start = end;
      watch.Tick();
    }
  }
  if (!sink.problem.isEmpty()) Fail(doing, sink.problem);
}
