// PresModelBuilderSupport: host settings that shape what builders and serializers produce.
#pragma once

#include "host/HostExport.h"

class HLVHOST_API PresModelBuilderSupport {
 public:
  /// Whether opaque images may be written lossily (JPEG) to keep them small. Off unless a host
  /// turns it on; images with transparency are always written losslessly.
  static bool LossyEncodeImages();
  static void SetLossyEncodeImages(bool lossy);
};
