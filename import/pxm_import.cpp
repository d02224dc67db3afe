#include "import/pxm_import.h"

#include <cstring>
#include <new>

#include "common/return_codes.h"
#include "common/trace.h"
#include "import/user_hints.h"

namespace {

bool isHelp(const char* argument) {
  return std::strcmp(argument, "-?") == 0 || std::strcmp(argument, "/?") == 0;
}

// Whether `argument` is the one-letter option `letter` (lower case), in
// either case.
bool isLetterOption(const char* argument, char letter) {
  return (argument[1] == letter || argument[1] == letter - 'a' + 'A') && argument[2] == '\0';
}

}  // namespace

bool PXMIsOption(const char* argument, bool slashPrefixOptions) {
  if (argument[0] == '-') return true;
  if (argument[0] != '/') return false;
  return slashPrefixOptions || (argument[1] != '\0' && argument[2] == '\0');
}

PXMImport::~PXMImport() { cleanUp(); }

void PXMImport::cleanUp() {
  checks_.reset();
  reader_.reset();
  composer_.reset();
  session_.reset();
  upperName_.clear();
  upperName_.shrink_to_fit();
}

int PXMImport::run(int argc, char* argv[], UserMessage& message) {
  Step step = parseCommandLine(argc, argv, message);
  if (step == Step::Go) step = createObjects(argc, argv, message);
  if (step == Step::Go) {
    if (check_) checks_ = std::make_unique<PXMChecks>(fileName_, message.errorStream(), keepAttributes_);
    if (!PXMImportMaps(*reader_, *composer_, message, checks_.get())) step = Step::Stop;
    if (checks_) checks_->finish();
  }
  if (step != Step::Go) {
    cleanUp();
    return step == Step::Usage ? PXM_EXIT_OK : PXM_EXIT_ERROR;
  }
  message.issue(USERMSG_PLAIN, 0, 0, PXM_DONE_TEXT);
  const bool warned = checks_ && checks_->warningCount() > 0;
  cleanUp();
  XTR_TEXT("VEXOPXM terminating");
  return warned ? PXM_EXIT_WARNINGS : PXM_EXIT_OK;
}

PXMImport::Step PXMImport::parseCommandLine(int argc, char* argv[], UserMessage& message) {
  fileName_ = nullptr;
  replace_ = FALSE;
  check_ = false;
  keepAttributes_ = false;
  for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
    const char* argument = argv[i];
    if (!PXMIsOption(argument, PXM_SLASH_PREFIX_OPTIONS)) {
      fileName_ = argument;
      break;
    }
    if (isHelp(argument)) {
      message.issue(USERMSG_USAGE, 0, 0, PXM_USAGE_TEXT);
      return Step::Usage;
    }
    if (isLetterOption(argument, 'w')) check_ = true;
    if (isLetterOption(argument, 'a')) {
      keepAttributes_ = true;
      XTR_TEXT("Will keep the attributes of the maps");
    }
    if (isLetterOption(argument, 'r')) {
      replace_ = TRUE;
      XTR_TEXT("Will replace existing definitions");
    }
  }

  if (fileName_ == nullptr) {
    message.issue(USERMSG_ERROR, ERR_PXM_NO_FILENAME, 0, "");
    message.issue(USERMSG_USAGE, 0, 0, PXM_USAGE_TEXT);
    return Step::Stop;
  }

  upperName_ = fileName_;
  for (char& c : upperName_) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (upperName_.find(PXM_FILE_EXTENSION) == std::string::npos) {
    message.issue(USERMSG_ERROR, ERR_PXM_BAD_FILENAME, 0, "");
    message.issue(USERMSG_USAGE, 0, 0, PXM_USAGE_TEXT);
    return Step::Stop;
  }
  return Step::Go;
}

PXMImport::Step PXMImport::createObjects(int argc, char* argv[], UserMessage& message) {
  reader_.reset(new (std::nothrow) PXMFile(fileName_));
  if (!reader_) {
    message.issue(USERMSG_ERROR, ERR_PXM_NO_MEMORY, 0, "");
    return Step::Stop;
  }
  if (reader_->GetStatus() != PXM_STATUS_READING) {
    message.issue(USERMSG_ERROR, ERR_PXM_OPEN_ERROR, 0, "");
    message.hints(PXMSourceHints(fileName_, reader_->GetOpenError()));
    return Step::Stop;
  }

  session_.reset(new (std::nothrow) ZoSession(argc, argv));
  if (!session_) {
    message.issue(USERMSG_ERROR, ERR_PXM_NO_MEMORY, 0, "");
    return Step::Stop;
  }
  if (session_->getErrorCode() != 0) {
    message.issue(USERMSG_ERROR, session_->getErrorCode(), session_->getReasonCode(),
                  session_->getErrorText().text());
    message.hints(PXMSessionHints(*session_));
    return Step::Stop;
  }

  composer_.reset(new (std::nothrow) PXMMessage(session_.get(), replace_));
  if (!composer_) {
    message.issue(USERMSG_ERROR, ERR_PXM_NO_MEMORY, 0, "");
    return Step::Stop;
  }
  if (composer_->getErrorCode() != 0) {
    message.issue(USERMSG_ERROR, composer_->getErrorCode(), 0, "");
    return Step::Stop;
  }
  composer_->setKeepAttributes(keepAttributes_);
  return Step::Go;
}
