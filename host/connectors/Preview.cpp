#include "host/connectors/Preview.h"

namespace Preview {

TString CapCell(TString text, Result& result) {
  // A UTF-16 code unit takes at most three UTF-8 bytes: a text this short cannot be too long.
  if (static_cast<std::size_t>(text.size()) * 3 <= kMaxCellBytes) return text;
  std::size_t bytes = 0;
  int end = 0;
  while (end < text.size()) {
    const QChar c = text.at(end);
    const bool pair = c.isHighSurrogate() && end + 1 < text.size() && text.at(end + 1).isLowSurrogate();
    const std::size_t width = pair ? 4 : c.unicode() < 0x80 ? 1 : c.unicode() < 0x800 ? 2 : 3;
    if (bytes + width > kMaxCellBytes) break;
    bytes += width;
    end += pair ? 2 : 1;
  }
  if (end == text.size()) return text;
  text.truncate(end);
  ++result.cutCells;
  return text;
}

}  // namespace Preview
