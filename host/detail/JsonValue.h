// JsonValue: a value of parsed JSON text, handed to the serializers that read JSON themselves.
#pragma once

#include "host/detail/JsonTape.h"

#include <cstdint>
#include <string_view>
#include <type_traits>

struct JsonMember;
struct JsonValue;
template <typename Entry>
class JsonRange;
using JsonElements = JsonRange<JsonValue>;
using JsonMembers = JsonRange<JsonMember>;

/// A parsed JSON value, borrowed from the tape being read. Public headers know it only by name,
/// so that the reader's types stay out of them.
struct JsonValue {
  const JsonTape& tape;
  std::uint32_t index;

  bool IsString() const { return tape.KindAt(index) == JsonTape::Kind::kString; }
  bool IsArray() const { return tape.KindAt(index) == JsonTape::Kind::kArray; }
  bool IsObject() const { return tape.KindAt(index) == JsonTape::Kind::kObject; }

  /// The UTF-8 bytes of a string, unescaped; the value must be a string.
  std::string_view GetString() const { return tape.StringAt(index); }

  /// The element count of an array, or the member count of an object.
  std::uint32_t Size() const { return tape.CountAt(index); }

  /// The elements of an array, in order; the value must be an array.
  inline JsonElements Elements() const;

  /// The members of an object, in order, duplicates included; the value must be an object.
  inline JsonMembers Members() const;
};

/// A member of a JSON object: its name, unescaped, and its value.
struct JsonMember {
  std::string_view name;
  JsonValue value;
};

/// The entries of a JSON container as a range: the values of an array (`Entry` = JsonValue) or
/// the members of an object (`Entry` = JsonMember, whose name takes one slot before its value).
template <typename Entry>
class JsonRange {
  static constexpr std::uint32_t kNameSlots = std::is_same_v<Entry, JsonMember> ? 1 : 0;

 public:
  class Iterator {
   public:
    Iterator(const JsonTape& tape, std::uint32_t index, std::uint32_t left) : m_tape(tape), m_index(index), m_left(left) {}
    Entry operator*() const {
      if constexpr (kNameSlots == 0) {
        return JsonValue{m_tape, m_index};
      } else {
        return JsonMember{m_tape.StringAt(m_index), JsonValue{m_tape, m_index + 1}};
      }
    }
    Iterator& operator++() {
      m_index = m_tape.After(m_index + kNameSlots);
      --m_left;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return m_left != other.m_left; }

   private:
    const JsonTape& m_tape;
    std::uint32_t m_index;
    std::uint32_t m_left;
  };

  explicit JsonRange(const JsonValue& container) : m_container(container) {}
  Iterator begin() const { return Iterator(m_container.tape, m_container.index + 1, m_container.Size()); }
  Iterator end() const { return Iterator(m_container.tape, 0, 0); }

 private:
  JsonValue m_container;
};

JsonElements JsonValue::Elements() const { return JsonElements(*this); }
JsonMembers JsonValue::Members() const { return JsonMembers(*this); }
