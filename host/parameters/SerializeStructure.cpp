#include "host/parameters/SerializeStructure.h"

#include "host/Exceptions.h"
#include "host/parameters/JsonText.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/parameters/PresentationModel.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

SerializeStructure::SerializeStructure(const ParametersRegistry& registry, std::string& out)
    : m_registry(registry), m_out(out), m_outBase(out.size()) {
  m_out.push_back('{');
  m_frames.push_back({FrameKind::kObject, true});
}

SerializeStructure::SerializeStructure(const ParametersRegistry& registry) : SerializeStructure(registry, m_ownOut) {}

SerializeStructure::SerializeStructure() : SerializeStructure(ParametersRegistry::Get()) {}

SerializeStructure::~SerializeStructure() {
  CommitCachesOrDrop();
  if (!m_closed && &m_out != &m_ownOut) m_out.resize(m_outBase);
}

void SerializeStructure::BeginMember(FrameKind expected, const char* what) {
  Frame& frame = m_frames.back();
  if (frame.kind != expected) {
    static const char* const kFrameNames[] = {"a structure", "a list", "a map"};
    HLV_THROW_LOGIC(QStringLiteral("%1 cannot be written inside %2")
                        .arg(QLatin1String(what), QLatin1String(kFrameNames[static_cast<int>(frame.kind)])));
  }
  if (!frame.empty) m_out.push_back(',');
  frame.empty = false;
}

const ParameterInfo& SerializeStructure::InfoOf(unsigned int id) const {
  const ParameterInfo* info = m_registry.FindParameter(id);
  if (info == nullptr)
    HLV_THROW_LOGIC(QStringLiteral("Parameter 0x%1 is not registered").arg(id, 8, 16, QLatin1Char('0')));
  return *info;
}

void SerializeStructure::Parameter(unsigned int id, const TString& text) {
  const std::string& name = InfoOf(id).GetJsonName();
  BeginMember(FrameKind::kObject, "A parameter");
  m_out += name;
  AppendJsonString(m_out, text);
}

void SerializeStructure::ParameterJson(unsigned int id, std::string_view json) {
  const std::string& name = InfoOf(id).GetJsonName();
  BeginMember(FrameKind::kObject, "A parameter");
  ReserveJson(m_out, name.size() + json.size());
  m_out += name;
  m_out += json;
}

void SerializeStructure::ListItem(const TString& text) {
  BeginMember(FrameKind::kList, "A list item");
  AppendJsonString(m_out, text);
}

std::string& SerializeStructure::ParameterValueOut(unsigned int id) {
  const std::string& name = InfoOf(id).GetJsonName();
  BeginMember(FrameKind::kObject, "A parameter");
  m_out += name;
  return m_out;
}

std::string& SerializeStructure::ListItemOut() {
  BeginMember(FrameKind::kList, "A list item");
  return m_out;
}

void SerializeStructure::ListItemJson(std::string_view json) {
  BeginMember(FrameKind::kList, "A list item");
  ReserveJson(m_out, json.size());
  m_out += json;
}

bool SerializeStructure::CachedStructure(const ParameterInfo& info, const PresentationModel& model) {
  if (!model.HasCache() || m_frames.back().kind != FrameKind::kObject) return false;
  const std::string& name = info.GetJsonName();
  // The member, and the brackets that close the scopes around it.
  ReserveJson(m_out, 1 + name.size() + model.m_cacheSize + 2 + m_frames.size());
  BeginMember(FrameKind::kObject, "A structure");
  m_out += name;
  m_out.push_back('{');
  // The cache may be a range of m_out itself; room has been made, so appending it does not
  // move the text it is copied from.
  m_out += model.GetCachedJson();
  m_out.push_back('}');
  return true;
}

void SerializeStructure::SetOnlyMember(unsigned int id, const IParameter& holder) {
  const ParameterInfo* info = m_registry.FindParameter(id);
  if (info == nullptr || info->HasFlag(kParameterUnserializable) || info->GetReplayedValueType() == nullptr) return;
  m_bagRecord = holder.GetRecordAs(*info->GetReplayedValueType());
  m_bagInfo = info;
}

bool SerializeStructure::IsBagRecord(const PresentationModel& model) const noexcept {
  // The record's own scope and the bag's are the only ones open, nothing was handed to a drain,
  // and the text before the record is the bag's bracket and the member's name, as a replay of
  // the record's cache would write them.
  if (&model != m_bagRecord || m_frames.size() != 2 || m_drain || m_drained != 0) return false;
  // A long text (a page of tables) gains nothing from the brackets, its replay being mostly the
  // copy; its block stays the exact size of its caches, which keeps what a large write asks of
  // the heap as it was (glibc's trimming of a freed heap turns on a few bytes at that size).
  if (m_out.size() - m_outBase > kBagBytes) return false;
  const std::string& name = m_bagInfo->GetJsonName();
  const std::size_t start = model.m_cacheOffset;
  return start == m_outBase + name.size() + 2 && m_out[m_outBase] == '{' &&
         m_out.compare(m_outBase + 1, name.size(), name) == 0 && m_out[start - 1] == '{';
}

void SerializeStructure::CommitCaches(const PresentationModel* bagRecord) {
  std::size_t begin = m_pendingBegin;
  const std::size_t end = m_pendingEnd;
  m_pendingBegin = std::numeric_limits<std::size_t>::max();
  m_pendingEnd = 0;
  if (m_pendingBlock == nullptr) return;
  PresentationModel::CacheBlock& block = *m_pendingBlock;
  // The bag's record ends the text, its scope and the bag's still to be closed: the block
  // takes the bag's opening bracket and name before it and the two closing brackets after.
  if (bagRecord != nullptr) begin = m_outBase;
  block.text.reserve(end - begin + (bagRecord != nullptr ? 2 : 0));
  block.text.append(m_out, begin, end - begin);
  if (bagRecord != nullptr) {
    block.text.append("}}");
    block.bagRecord = bagRecord;
    block.bagGeneration = m_registry.GetGeneration();
    block.bagValueType = m_bagInfo->GetReplayedValueType();
    block.bagId = m_bagInfo->GetId();
  }
  block.base = begin;
  block.pendingIn = nullptr;
  m_pendingBlock = nullptr;
}

void SerializeStructure::CommitCachesOrDrop() noexcept {
  if (m_pendingBlock == nullptr) return;
  try {
    CommitCaches();
  } catch (const std::bad_alloc&) {
    // The caches only spare later writes work: without them those writes run the writers.
    m_pendingBlock->pendingIn = nullptr;
    m_pendingBlock->dropped = true;
    m_pendingBlock = nullptr;
    m_pendingBegin = std::numeric_limits<std::size_t>::max();
    m_pendingEnd = 0;
  }
}

void SerializeStructure::MapItem(const TString& key, const TString& value, bool /*keysVerbatim*/) {
  BeginMember(FrameKind::kMap, "A map item");
  AppendJsonString(m_out, key);
  m_out.push_back(':');
  AppendJsonString(m_out, value);
}

void SerializeStructure::OpenScope(unsigned int id, FrameKind kind) {
  Frame& outer = m_frames.back();
  if (outer.kind == FrameKind::kMap) HLV_THROW_LOGIC(QStringLiteral("A structure cannot be written inside a map"));
  const bool named = outer.kind == FrameKind::kObject;  // inside a list, elements have no name
  const std::string* name = named ? &InfoOf(id).GetJsonName() : nullptr;
  if (!outer.empty) m_out.push_back(',');
  outer.empty = false;
  if (name) m_out += *name;
  m_out.push_back(kind == FrameKind::kList ? '[' : '{');
  m_frames.push_back({kind, true});
}

void SerializeStructure::CloseScope() noexcept {
  const FrameKind kind = m_frames.back().kind;
  m_frames.pop_back();
  m_out.push_back(kind == FrameKind::kList ? ']' : '}');
}

void SerializeStructure::SetDrain(std::function<void(std::string_view)> drain) {
  HLV_ASSERT(&m_out == &m_ownOut);
  m_drain = std::move(drain);
  m_keepsCaches = false;
}

void SerializeStructure::Drain() {
  m_drain(m_out);
  m_drained += m_out.size();
  m_out.clear();
}

void SerializeStructure::Reserve(std::size_t extra) {
  // A drained text needs room for a piece at a time.
  if (m_drain) extra = std::min(extra, 2 * kDrainBytes);
  const std::size_t needed = m_out.size() + extra;
  if (needed <= m_out.capacity()) return;
  // The writer knows what follows: the room it asks for is made as it is. std::string::reserve
  // would make at least twice the capacity the text has, a fresh buffer does not.
  std::string larger;
  larger.reserve(needed);
  larger += m_out;
  m_out.swap(larger);
}

std::string SerializeStructure::GetJson() const {
  HLV_ASSERT(m_frames.size() == 1);
  return m_out.substr(m_outBase) + '}';
}

std::string SerializeStructure::TakeJson() {
  HLV_ASSERT(&m_out == &m_ownOut && !m_drain);
  Close();
  return std::move(m_out);
}

void SerializeStructure::Close() {
  HLV_ASSERT(m_frames.size() == 1 && !m_closed);
  CommitCaches();
  m_out.push_back('}');
  m_closed = true;
  if (m_drain) Drain();
}

TString SerializeStructure::GetText() const { return TStringFromUtf8(GetJson()); }

void SerializeStructure::Visitor::BeginCapture() { m_ss.m_captures.push_back(m_ss.GetWrittenSize()); }

TString SerializeStructure::Visitor::EndCapture() { return TStringFromUtf8(EndCaptureJson()); }

std::size_t SerializeStructure::Visitor::PopCapture() {
  HLV_ASSERT(!m_ss.m_captures.empty());
  const std::size_t written = m_ss.m_captures.back();
  m_ss.m_captures.pop_back();
  // A drained text keeps no caches; what it recorded has been handed over.
  if (written < m_ss.m_drained) return 0;
  std::size_t start = written - m_ss.m_drained;
  if (start < m_ss.m_out.size() && m_ss.m_out[start] == ',') ++start;
  return start;
}

std::string SerializeStructure::Visitor::EndCaptureJson() {
  HLV_ASSERT(!m_ss.m_drain);
  const std::size_t start = PopCapture();
  std::string captured = m_ss.m_out.substr(start);
  if (m_ss.m_captures.empty()) m_ss.CommitCaches();
  return captured;
}

void SerializeStructure::Visitor::EndCaptureInto(const PresentationModel& model) {
  const std::size_t start = PopCapture();
  if (!m_ss.m_keepsCaches) return;
  const std::size_t size = m_ss.m_out.size() - start;
  if (size == 0) {
    model.SetSerializedJson(std::string());
  } else if (m_ss.m_captures.empty() && m_ss.m_pendingBlock == nullptr && &model != m_ss.m_bagRecord) {
    model.SetSerializedJson(m_ss.m_out.substr(start));  // a record written on its own
  } else {
    if (m_ss.m_pendingBlock == nullptr) {
      m_ss.m_pendingBlock = std::make_shared<PresentationModel::CacheBlock>();
      m_ss.m_pendingBlock->pendingIn = &m_ss;
    }
    // The block the caches will share spans them all (a cache replaced meanwhile may widen it).
    m_ss.m_pendingBegin = std::min(m_ss.m_pendingBegin, start);
    m_ss.m_pendingEnd = std::max(m_ss.m_pendingEnd, start + size);
    model.m_cacheBlock = m_ss.m_pendingBlock;
    model.m_cacheOffset = start;
    model.m_cacheSize = size;
  }
  if (m_ss.m_captures.empty()) m_ss.CommitCaches(size != 0 && m_ss.IsBagRecord(model) ? &model : nullptr);
}

void SerializeStructure::Visitor::AbandonCapture() {
  HLV_ASSERT(!m_ss.m_captures.empty());
  m_ss.m_captures.pop_back();
  // The records finished inside the abandoned one keep their caches.
  if (m_ss.m_captures.empty()) m_ss.CommitCachesOrDrop();
}

void SerializeStructure::Visitor::WriteCaptured(const TString& text) {
  if (text.isEmpty()) return;
  WriteCapturedJson(ToUtf8(text));
}

bool SerializeStructure::Visitor::WriteCachedJson(const PresentationModel& model) {
  if (!model.HasCache()) return false;
  // The cache may be a range of the text itself: the room WriteCapturedJson makes is made
  // before the cache is looked at, so that writing it does not move it.
  ReserveJson(m_ss.m_out, model.m_cacheSize + 1 + m_ss.m_frames.size());
  WriteCapturedJson(model.GetCachedJson());
  return true;
}

void SerializeStructure::Visitor::WriteCapturedJson(std::string_view json) {
  if (json.empty()) return;
  Frame& frame = m_ss.m_frames.back();
  // Room for the separator and for the brackets that close the scopes around it.
  ReserveJson(m_ss.m_out, json.size() + 1 + m_ss.m_frames.size());
  if (!frame.empty) m_ss.m_out.push_back(',');
  frame.empty = false;
  m_ss.m_out += json;
}

ListStructure::ListStructure(unsigned int id, SerializeStructure& ss, ParameterTypeCategory /*category*/) : m_ss(ss) {
  m_ss.OpenScope(id, SerializeStructure::FrameKind::kList);
}
ListStructure::~ListStructure() { m_ss.CloseScope(); }

MapStructure::MapStructure(unsigned int id, SerializeStructure& ss) : m_ss(ss) {
  m_ss.OpenScope(id, SerializeStructure::FrameKind::kMap);
}
MapStructure::~MapStructure() { m_ss.CloseScope(); }

SubStructure::SubStructure(unsigned int id, SerializeStructure& ss, bool composite) : m_ss(ss) {
  m_ss.OpenScope(id, composite ? SerializeStructure::FrameKind::kObject : SerializeStructure::FrameKind::kList);
}
SubStructure::~SubStructure() { m_ss.CloseScope(); }

CompositeStructure::CompositeStructure(unsigned int id, SerializeStructure& ss) : m_ss(ss) {
  m_ss.OpenScope(id, SerializeStructure::FrameKind::kObject);
}
CompositeStructure::~CompositeStructure() { m_ss.CloseScope(); }
