#include "host/parameters/SerializeStructure.h"

#include "host/Exceptions.h"
#include "host/parameters/JsonText.h"
#include "host/parameters/ParametersRegistry.h"

#include <utility>

SerializeStructure::SerializeStructure(const ParametersRegistry& registry) : m_registry(registry) {
  m_out.push_back('{');
  m_frames.push_back({FrameKind::kObject, true});
}

SerializeStructure::SerializeStructure() : SerializeStructure(ParametersRegistry::Get()) {}

SerializeStructure::~SerializeStructure() = default;

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

void SerializeStructure::ListItemJson(std::string_view json) {
  BeginMember(FrameKind::kList, "A list item");
  ReserveJson(m_out, json.size());
  m_out += json;
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

void SerializeStructure::Reserve(std::size_t extra) { ReserveJson(m_out, extra); }

std::string SerializeStructure::GetJson() const {
  HLV_ASSERT(m_frames.size() == 1);
  return m_out + '}';
}

std::string SerializeStructure::TakeJson() {
  HLV_ASSERT(m_frames.size() == 1);
  m_out.push_back('}');
  return std::move(m_out);
}

TString SerializeStructure::GetText() const { return TStringFromUtf8(GetJson()); }

void SerializeStructure::Visitor::BeginCapture() { m_ss.m_captures.push_back(m_ss.m_out.size()); }

TString SerializeStructure::Visitor::EndCapture() { return TStringFromUtf8(EndCaptureJson()); }

std::string SerializeStructure::Visitor::EndCaptureJson() {
  HLV_ASSERT(!m_ss.m_captures.empty());
  size_t start = m_ss.m_captures.back();
  m_ss.m_captures.pop_back();
  // A capture starts at a member; the separator before it belongs to the scope, not to it.
  if (start < m_ss.m_out.size() && m_ss.m_out[start] == ',') ++start;
  return m_ss.m_out.substr(start);
}

void SerializeStructure::Visitor::AbandonCapture() {
  HLV_ASSERT(!m_ss.m_captures.empty());
  m_ss.m_captures.pop_back();
}

void SerializeStructure::Visitor::WriteCaptured(const TString& text) {
  if (text.isEmpty()) return;
  WriteCapturedJson(ToUtf8(text));
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
