#include "import/user_message.h"

#include <array>

#include "common/retcode_names.h"
#include "common/trace.h"

static_assert(USERMSG_NAME_SIZE >= ZO_RETCODE_TEXT_SIZE);

namespace {

// The library's public names begin "ZO"; the user sees them with this prefix.
constexpr char PUBLIC_PREFIX[] = "TV";

}  // namespace

UserMessage::UserMessage(std::FILE* out, std::FILE* err) : out_(out), err_(err) {
  const ZO_ULONG rc = 0;
  XTR_METHOD("UserMessage::UserMessage", rc);
}

UserMessage::~UserMessage() {
  const ZO_ULONG rc = 0;
  XTR_METHOD("UserMessage::~UserMessage", rc);
}

void UserMessage::issue(ZO_LONG kind, ZO_ULONG code, ZO_LONG reason, const char* text) {
  const ZO_ULONG rc = 0;
  XTR_METHOD("UserMessage::issue", rc);
  if (text == nullptr) text = "";

  switch (kind) {
    case USERMSG_USAGE:
      std::fprintf(out_, "Usage: %s\n", text);
      std::fflush(out_);
      break;
    case USERMSG_ERROR:
      issueCode(code, reason, text);
      std::fflush(err_);
      break;
    case USERMSG_PROGRESS:
      std::fprintf(out_, "PXM map %s\n", text);
      std::fflush(out_);
      break;
    case USERMSG_PLAIN:
      std::fprintf(out_, "%s\n", text);
      std::fflush(out_);
      break;
    default:
      std::fputs("Error: ???\n", err_);
      std::fflush(err_);
      break;
  }
}

void UserMessage::hints(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) std::fprintf(err_, "  %s\n", line.c_str());
  std::fflush(err_);
}

void UserMessage::issueCode(ZO_ULONG code, ZO_LONG reason, const char* text) {
  setFromInternalCode(code);

  std::array<char, USERMSG_NAME_SIZE> name{};
  xtrFormatReturnCode(name.data(), static_cast<ZO_ULONG>(getPublicReturnCode()));
  if (name[0] == 'Z' && name[1] == 'O') {
    name[0] = PUBLIC_PREFIX[0];
    name[1] = PUBLIC_PREFIX[1];
  }

  if (getCompletionCode() == ZOCC_ERROR) {
    std::fprintf(err_, "Error: VEXO rc = %s (%d)\n", name.data(), static_cast<int>(getPublicReturnCode()));
    if (reason != 0) {
      std::fprintf(err_, "Dossa C API error = %d", static_cast<int>(reason));
      if (text[0] != '\0') {
        std::fprintf(err_, " (%s)\n", text);
      } else {
        std::fputs("\n", err_);
      }
    }
  } else {
    std::fprintf(err_, "Warning: VEXO rc = %s (%d)\n", name.data(), static_cast<int>(getPublicReturnCode()));
  }
}
