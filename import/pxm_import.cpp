#include "import/pxm_import.h"

#include <cstring>
#include <limits>
#include <new>

#include "common/return_codes.h"
#include "common/trace.h"

namespace {

// An argument before the file name is an option when it begins with "-", or
// when it is "/" and one character: a longer argument beginning with "/" is
// an absolute path, hence the file name.
bool isOption(const char* argument) {
  if (argument[0] == '-') return true;
  return argument[0] == '/' && argument[1] != '\0' && argument[2] == '\0';
}

bool isHelp(const char* argument) { return std::strcmp(argument, "-?") == 0 || std::strcmp(argument, "/?") == 0; }

bool isReplace(const char* argument) {
  return (argument[1] == 'r' || argument[1] == 'R') && argument[2] == '\0';
}

bool isOperation(const PXMStatement* statement, const char* operation) {
  return std::strcmp(statement->GetOperation(), operation) == 0;
}

}  // namespace

PXMImport::~PXMImport() { cleanUp(); }

void PXMImport::cleanUp() {
  statement_ = nullptr;
  reader_.reset();
  composer_.reset();
  session_.reset();
  upperName_.clear();
  upperName_.shrink_to_fit();
}

int PXMImport::run(int argc, char* argv[], UserMessage& message) {
  Step step = parseCommandLine(argc, argv, message);
  if (step == Step::Go) step = createObjects(argc, argv, message);
  if (step == Step::Go) step = importMaps(message);
  if (step != Step::Go) {
    cleanUp();
    return step == Step::Usage ? PXM_EXIT_OK : PXM_EXIT_ERROR;
  }
  message.issue(USERMSG_PLAIN, 0, 0, PXM_DONE_TEXT);
  cleanUp();
  XTR_TEXT("VEXOPXM terminating");
  return PXM_EXIT_OK;
}

PXMImport::Step PXMImport::parseCommandLine(int argc, char* argv[], UserMessage& message) {
  fileName_ = nullptr;
  for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
    const char* argument = argv[i];
    if (!isOption(argument)) {
      fileName_ = argument;
      break;
    }
    if (isHelp(argument)) {
      message.issue(USERMSG_USAGE, 0, 0, PXM_USAGE_TEXT);
      return Step::Usage;
    }
    if (isReplace(argument)) {
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
  return Step::Go;
}

PXMImport::Step PXMImport::importMaps(UserMessage& message) {
  while ((statement_ = reader_->GetStatement()) != nullptr) {
    reader_->MarkStatement();
    if (!isOperation(statement_, PXM_OP_MAP)) continue;  // anything outside a map is passed over
    if (importMap(message) == Step::Stop) return Step::Stop;
  }
  return checkReader(message);
}

PXMImport::Step PXMImport::importMap(UserMessage& message) {
  message.issue(USERMSG_PROGRESS, 0, 0, statement_->GetLabel());

  // Counting pass: the map's field statements, "SPACE" passed over.
  ZO_LONG count = 0;
  while ((statement_ = reader_->GetStatement()) != nullptr) {
    if (isOperation(statement_, PXM_OP_FIELD)) {
      if (count < std::numeric_limits<ZO_LONG>::max()) ++count;
    } else if (!isOperation(statement_, PXM_OP_SPACE)) {
      break;
    }
  }
  if (checkReader(message) == Step::Stop) return Step::Stop;

  reader_->ReturnToMark();
  statement_ = reader_->GetStatement();
  if (statement_ == nullptr) return checkReader(message);  // the map statement cannot be read again

  composer_->newMap(*statement_, count);
  if (checkComposer(message) == Step::Stop) return Step::Stop;

  while ((statement_ = reader_->GetStatement()) != nullptr) {
    if (isOperation(statement_, PXM_OP_FIELD)) {
      composer_->addField(*statement_);
      if (checkComposer(message) == Step::Stop) return Step::Stop;
    } else if (!isOperation(statement_, PXM_OP_SPACE)) {
      break;
    }
  }
  // A map whose fields could not all be read is not written.
  if (checkReader(message) == Step::Stop) return Step::Stop;

  composer_->endMap();
  if (checkComposer(message) == Step::Stop) return Step::Stop;

  // The statement that ended the fields is read again by the main loop.
  statement_ = nullptr;
  reader_->ReturnToStatement();
  return Step::Go;
}

PXMImport::Step PXMImport::checkComposer(UserMessage& message) {
  if (composer_->getErrorCode() == 0) return Step::Go;
  message.issue(USERMSG_ERROR, composer_->getErrorCode(), composer_->getDbErrorCode(),
                composer_->getDbErrorText().text());
  return Step::Stop;
}

PXMImport::Step PXMImport::checkReader(UserMessage& message) {
  if (reader_->GetStatus() != PXM_STATUS_READ_ERROR) return Step::Go;
  message.issue(USERMSG_ERROR, ERR_PXM_OPEN_ERROR, 0, "");
  return Step::Stop;
}
