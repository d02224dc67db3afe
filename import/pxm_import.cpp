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
  mapsImported_ = 0;
  warnings_ = 0;
  Step step = parseCommandLine(argc, argv, message);
  for (std::size_t i = 0; step == Step::Go && i < fileNames_.size(); ++i) {
    fileName_ = fileNames_[i];
    if (!importFile(argc, argv, message)) step = Step::Stop;
  }
  if (step != Step::Go) {
    cleanUp();
    return step == Step::Usage ? PXM_EXIT_OK : PXM_EXIT_ERROR;
  }
  if (fileNames_.size() > 1) {
    const auto count = [](std::size_t n, const char* word) {
      return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
    };
    const std::string summary = count(fileNames_.size(), "file") + ", " +
                                count(static_cast<std::size_t>(mapsImported_), "map") +
                                (checkOnly_ ? " checked" : " imported");
    message.issue(USERMSG_PLAIN, 0, 0, summary.c_str());
  }
  cleanUp();
  XTR_TEXT("VEXOPXM terminating");
  return warnings_ > 0 ? PXM_EXIT_WARNINGS : PXM_EXIT_OK;
}

bool PXMImport::importFile(int argc, char* argv[], UserMessage& message) {
  if (createObjects(argc, argv, message) != Step::Go) return false;
  if (check_) checks_ = std::make_unique<PXMChecks>(fileName_, message.errorStream(), keepAttributes_);
  const bool imported = PXMImportMaps(*reader_, *composer_, message, checks_.get(), &mapsImported_);
  if (checks_) {
    checks_->finish();
    warnings_ += checks_->warningCount();
    checks_.reset();
  }
  reader_.reset();
  if (!imported) return false;
  message.issue(USERMSG_PLAIN, 0, 0, PXM_DONE_TEXT);
  return true;
}

PXMImport::Step PXMImport::parseCommandLine(int argc, char* argv[], UserMessage& message) {
  fileName_ = nullptr;
  fileNames_.clear();
  replace_ = FALSE;
  check_ = false;
  checkOnly_ = false;
  keepAttributes_ = false;
  for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
    const char* argument = argv[i];
    if (!PXMIsOption(argument, PXM_SLASH_PREFIX_OPTIONS)) {
      // This and every later argument that is not an option is a file; an
      // option after the first file name is not applied.
      for (int j = i; j < argc && argv[j] != nullptr; ++j)
        if (!PXMIsOption(argv[j], PXM_SLASH_PREFIX_OPTIONS)) fileNames_.push_back(argv[j]);
      break;
    }
    if (isHelp(argument)) {
      message.issue(USERMSG_USAGE, 0, 0, PXM_USAGE_TEXT);
      return Step::Usage;
    }
    if (isLetterOption(argument, 'w')) check_ = true;
    if (isLetterOption(argument, 'c')) check_ = checkOnly_ = true;
    if (isLetterOption(argument, 'a')) {
      keepAttributes_ = true;
      XTR_TEXT("Will keep the attributes of the maps");
    }
    if (isLetterOption(argument, 'r')) {
      replace_ = TRUE;
      XTR_TEXT("Will replace existing definitions");
    }
  }

  if (fileNames_.empty()) {
    message.issue(USERMSG_ERROR, ERR_PXM_NO_FILENAME, 0, "");
    message.issue(USERMSG_USAGE, 0, 0, PXM_USAGE_TEXT);
    return Step::Stop;
  }
  return Step::Go;
}

PXMImport::Step PXMImport::createObjects(int argc, char* argv[], UserMessage& message) {
  upperName_ = fileName_;
  for (char& c : upperName_) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (upperName_.find(PXM_FILE_EXTENSION) == std::string::npos) {
    message.issue(USERMSG_ERROR, ERR_PXM_BAD_FILENAME, 0, "");
    message.issue(USERMSG_USAGE, 0, 0, PXM_USAGE_TEXT);
    return Step::Stop;
  }

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

  if (composer_) return Step::Go;  // made for the first file
  if (checkOnly_) {
    composer_.reset(new (std::nothrow) PXMMessage(replace_));
    if (!composer_) {
      message.issue(USERMSG_ERROR, ERR_PXM_NO_MEMORY, 0, "");
      return Step::Stop;
    }
    composer_->setKeepAttributes(keepAttributes_);
    return Step::Go;
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
