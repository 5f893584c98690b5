#pragma once

#include <string>

namespace ombrix {

// The texts the text export takes from the window: the captions of the Status page and the column
// headers of the message-text table, as 8-bit text in the program's code page. The window
// supplies its own source so that the export follows the captions as they stand at run time.
class CaptionSource {
 public:
  virtual ~CaptionSource() = default;
  // The caption that the Status page shows for the component of that name: the label beside an
  // edit field ("StatusSerialNumber" gives "Serial Number :"), the text beside a lamp
  // ("StatusMemoryClearLed" gives "Memory Clear") or the caption of the Enable Rollover button
  // ("StatusRolloverEnableLed").
  virtual std::string Caption(const char* component) const = 0;
  // The message text of that key ("MsgSample" gives "Sample #").
  virtual std::string Message(const char* key) const = 0;
};

// The Status page's captions and the message texts as the window shows them, for use until the
// window supplies its own. An unknown name gives the empty text.
class StatusPageCaptions : public CaptionSource {
 public:
  std::string Caption(const char* component) const override;
  std::string Message(const char* key) const override;
};

}  // namespace ombrix
