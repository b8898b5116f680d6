// SerializeStructure and its scopes: the writer of parameters in the JSON text form.
//
// A written structure is one JSON object. Each parameter is a member named by its registered
// name, members in write order, and every value is a JSON string:
//
//   Parameter(id, text)             "name":"text"
//   ListStructure(id, ...)          "name":[ ...ListItem strings or element structures... ]
//   MapStructure(id, ...)           "name":{"key":"value",...}
//   SubStructure(id, ss, true)      "name":{ ...parameters... }
//   CompositeStructure(id, ss)      the same
//   SubStructure(id, ss, false)     "name":[ ...ListItem strings... ]
//
// Inside a list, a structure is an element without a name. The text is compact (no white
// space outside strings) and UTF-8; quotes, backslashes and control characters are escaped as
// JSON requires, everything else is written as it is. docs/json-form.md has the whole form.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/parameters/ParameterSerializers.h"
#include "host/parameters/PresentationModel.h"

#include <boost/container/small_vector.hpp>

#include <cstddef>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ParametersRegistry;
class ParameterInfo;
class PresentationModel;

class HLVHOST_API SerializeStructure {
 public:
  /// Records what a writer writes, so that the same text can be written again in one step.
  /// Captures nest; each EndCapture closes the innermost one.
  class HLVHOST_API Visitor {
   public:
    /// Starts recording at the current position.
    void BeginCapture();
    /// Stops the innermost recording and returns the members or elements it saw, as text.
    TString EndCapture();
    /// EndCapture as the UTF-8 bytes written, without a conversion.
    std::string EndCaptureJson();
    /// Stops the innermost recording and makes it the text cache of `model`.
    ///
    /// The caches filled while an outer recording is open stay ranges of the text written
    /// until the outermost recording ends (or the structure hands its text over or dies); then
    /// that whole range is copied out once, into one block which all of them share. So a write
    /// of many records costs one allocation and one copy for all their caches.
    void EndCaptureInto(const PresentationModel& model);
    /// Drops the innermost recording; for a writer that leaves by an exception.
    void AbandonCapture();
    /// Writes a recording again, as the next members or elements of the current scope.
    void WriteCaptured(const TString& text);
    /// WriteCaptured for a recording kept as UTF-8 (what EndCaptureJson returned): one append.
    void WriteCapturedJson(std::string_view json);
    /// Writes the text cache of `model` as the next members of the current scope and returns
    /// true; returns false, writing nothing, when the cache is empty.
    bool WriteCachedJson(const PresentationModel& model);

   private:
    friend class SerializeStructure;
    explicit Visitor(SerializeStructure& ss) : m_ss(ss) {}
    // Ends the innermost recording and returns where its text starts: past the separator
    // before its first member, which belongs to the scope, not to it.
    std::size_t PopCapture();
    SerializeStructure& m_ss;
  };

  /// A structure whose parameter names come from `registry`.
  explicit SerializeStructure(const ParametersRegistry& registry);
  /// A structure written into `out`, after the text `out` already holds: a caller that writes
  /// many texts keeps one buffer and its memory. Close() ends the text; a structure destroyed
  /// before that (a writer left by an exception) gives `out` back as it found it.
  SerializeStructure(const ParametersRegistry& registry, std::string& out);
  /// A structure whose parameter names come from the process-wide registry.
  SerializeStructure();
  SerializeStructure(const SerializeStructure&) = delete;
  SerializeStructure& operator=(const SerializeStructure&) = delete;
  ~SerializeStructure();

  /// Writes `"name":"text"` for parameter `id`.
  void Parameter(unsigned int id, const TString& text);
  /// Writes `"name":` and then `json`, a JSON value the caller has already written (such as a
  /// quoted, escaped string), for parameter `id`.
  void ParameterJson(unsigned int id, std::string_view json);
  /// Writes `"name":` for parameter `id` and returns the output, for a caller that appends the
  /// parameter's JSON value (one whole value, such as a quoted, escaped string) to it at once.
  std::string& ParameterValueOut(unsigned int id);
  /// Starts one element of the current list and returns the output, for a caller that appends
  /// the element's JSON value to it at once.
  std::string& ListItemOut();
  /// Writes one string element of the current list.
  void ListItem(const TString& text);
  /// Writes `json`, a JSON value the caller has already written, as one element of the
  /// current list.
  void ListItemJson(std::string_view json);
  /// Writes `"name":{...}` for the structure parameter `info`, its members the text cache of
  /// `model`, in one step, and returns true. Returns false, writing nothing, when the cache is
  /// empty or the current scope is not a structure (inside a list, structures have no name).
  bool CachedStructure(const ParameterInfo& info, const PresentationModel& model);
  /// Writes one entry of the current map. The JSON form keeps every key as it is; the flag
  /// only says that a key must never be rewritten.
  void MapItem(const TString& key, const TString& value, bool keysVerbatim);

  /// The bytes of JSON text in the output so far, those handed to a drain included.
  std::size_t GetWrittenSize() const noexcept { return m_drained + m_out.size(); }
  /// The JSON text in the output so far (after what a caller's buffer held before, and since
  /// the last piece handed to a drain), its open scopes not closed; the view lasts until the
  /// next write.
  std::string_view GetWrittenJson() const noexcept { return m_out; }
  /// Makes room for exactly `extra` more bytes of text at once, unless there is room already: a
  /// hint from a writer that knows how much follows, so that a long text is not copied as it
  /// grows.
  void Reserve(std::size_t extra);

  /// Hands the text to `drain` in pieces as it is written, rather than holding it whole: the
  /// pieces joined are what TakeJson would return. A long text (a page of 100,000 tables, 20 MB)
  /// then never sits in memory, nor do its pages have to be mapped. The records this structure
  /// writes for the first time keep no cache. Only for a structure with its own output; a writer
  /// that fails part way has handed over the pieces written before.
  void SetDrain(std::function<void(std::string_view)> drain);
  /// Hands the text written so far to the drain when it has grown past a piece's size; writers of
  /// long lists call it between items.
  void MayDrain() {
    if (m_drain && m_out.size() >= kDrainBytes) Drain();
  }

  /// Whether the records this structure writes for the first time keep the text written as
  /// their cache: true unless set otherwise. A writer of records let go once written turns it off
  /// and spares the copy of the text their caches would share; records written before are
  /// replayed from their caches either way.
  void SetKeepsCaches(bool keeps) noexcept { m_keepsCaches = keeps; }
  /// Says that the object written is a bag of one parameter, `id`, held as `holder`: when that
  /// holds a record written here for the first time, the record keeps the whole object as well,
  /// so that the bag is replayed in one step (PresentationModel::GetCachedBagJson).
  void SetOnlyMember(unsigned int id, const IParameter& holder);

  Visitor& GetVisitor() noexcept { return m_visitor; }
  const ParametersRegistry& GetRegistry() const noexcept { return m_registry; }

  /// The JSON object written so far. Every scope must be closed.
  std::string GetJson() const;
  /// The JSON object written, handed over without a copy; the structure is empty afterwards
  /// and must not be written to again. Every scope must be closed. Not for a structure that
  /// writes into a caller's buffer or a drain: that one ends with Close().
  std::string TakeJson();
  /// Ends the JSON object in the output, which is then complete, and hands the rest of it to
  /// the drain, if any; the structure must not be written to again. Every scope must be closed.
  void Close();
  /// GetJson() as a TString.
  TString GetText() const;

 private:
  friend class ListStructure;
  friend class MapStructure;
  friend class SubStructure;
  friend class CompositeStructure;

  enum class FrameKind : char { kObject, kList, kMap };
  struct Frame {
    FrameKind kind;
    bool empty;
  };

  // Below this many bytes of text, MayDrain keeps it: a piece fits the caches, and the pieces
  // are few.
  static constexpr std::size_t kDrainBytes = 256 * 1024;
  // Up to this many bytes of text, the only record of a bag keeps the whole bag (a dialog's
  // record, where the brackets are a good part of a replay's cost).
  static constexpr std::size_t kBagBytes = 64 * 1024;

  void Drain();
  void OpenScope(unsigned int id, FrameKind kind);
  void CloseScope() noexcept;
  void BeginMember(FrameKind expected, const char* what);
  const ParameterInfo& InfoOf(unsigned int id) const;
  // Copies the text of the pending caches out of m_out, into one block they share. A record that
  // is the bag's only member (m_bagRecord, finished last) takes the whole object into it.
  void CommitCaches(const PresentationModel* bagRecord = nullptr);
  // Whether `model` is the record of the bag's only member, finished where its cache can hold
  // the bag's brackets.
  bool IsBagRecord(const PresentationModel& model) const noexcept;
  // CommitCaches for a structure that leaves by an exception or dies: without memory for the
  // block, the pending caches are emptied instead, so that no cache refers to a dead text.
  void CommitCachesOrDrop() noexcept;

  const ParametersRegistry& m_registry;
  std::string m_ownOut;  // the output, unless the caller gave one
  std::string& m_out;
  const std::size_t m_outBase;  // the size of the caller's text before this structure's
  bool m_closed = false;
  bool m_keepsCaches = true;
  std::function<void(std::string_view)> m_drain;
  std::size_t m_drained = 0;  // the bytes handed to m_drain
  // Records nest a few levels deep: the stacks live inside the structure unless a text nests
  // deeper than that.
  boost::container::small_vector<Frame, 16> m_frames;
  boost::container::small_vector<std::size_t, 8> m_captures;
  // The block the caches of the records written so far will share, which CommitCaches fills.
  std::shared_ptr<PresentationModel::CacheBlock> m_pendingBlock;
  // The range of m_out the pending caches span.
  std::size_t m_pendingBegin = std::numeric_limits<std::size_t>::max();
  std::size_t m_pendingEnd = 0;
  // The record of the bag's only member and the parameter that holds it (SetOnlyMember); null
  // otherwise.
  const PresentationModel* m_bagRecord = nullptr;
  const ParameterInfo* m_bagInfo = nullptr;
  Visitor m_visitor{*this};
};

/// A list of values or structures under one parameter, open while the object lives.
class HLVHOST_API ListStructure {
 public:
  ListStructure(unsigned int id, SerializeStructure& ss, ParameterTypeCategory category);
  ~ListStructure();
  ListStructure(const ListStructure&) = delete;
  ListStructure& operator=(const ListStructure&) = delete;

 private:
  SerializeStructure& m_ss;
};

/// A map of strings under one parameter, open while the object lives.
class HLVHOST_API MapStructure {
 public:
  MapStructure(unsigned int id, SerializeStructure& ss);
  ~MapStructure();
  MapStructure(const MapStructure&) = delete;
  MapStructure& operator=(const MapStructure&) = delete;

 private:
  SerializeStructure& m_ss;
};

/// A structure under one parameter, open while the object lives: a composite one holds
/// parameters, another one holds list items.
class HLVHOST_API SubStructure {
 public:
  SubStructure(unsigned int id, SerializeStructure& ss, bool composite);
  ~SubStructure();
  SubStructure(const SubStructure&) = delete;
  SubStructure& operator=(const SubStructure&) = delete;

 private:
  SerializeStructure& m_ss;
};

/// A composite structure under one parameter, open while the object lives.
class HLVHOST_API CompositeStructure {
 public:
  CompositeStructure(unsigned int id, SerializeStructure& ss);
  ~CompositeStructure();
  CompositeStructure(const CompositeStructure&) = delete;
  CompositeStructure& operator=(const CompositeStructure&) = delete;

 private:
  SerializeStructure& m_ss;
};
