#include "common/error_codes.h"

#include <gtest/gtest.h>

#include "common/return_codes.h"

namespace {

struct Outcome {
  ZO_ULONG completion;
  ZO_LONG publicCode;
};

Outcome translate(ZO_ULONG internalCode) {
  ZoErrorCodes codes;
  codes.setFromInternalCode(internalCode);
  return {codes.getCompletionCode(), codes.getPublicReturnCode()};
}

void expectOutcome(ZO_ULONG internalCode, ZO_ULONG completion, ZO_LONG publicCode) {
  const Outcome outcome = translate(internalCode);
  EXPECT_EQ(outcome.completion, completion) << std::hex << internalCode;
  EXPECT_EQ(outcome.publicCode, publicCode) << std::hex << internalCode;
}

TEST(ZoErrorCodes, StartsClearAndSuccessClearsAgain) {
  ZoErrorCodes codes;
  EXPECT_EQ(codes.getCompletionCode(), 0u);
  EXPECT_EQ(codes.getPublicReturnCode(), 0);
  codes.setFromInternalCode(ERR_PXM_OPEN_ERROR);
  codes.setFromInternalCode(ERR_NONE);
  EXPECT_EQ(codes.getCompletionCode(), 0u);
  EXPECT_EQ(codes.getPublicReturnCode(), 0);
  codes.setFromInternalCode(ERR_PXM_OPEN_ERROR);
  codes.clearCodes();
  EXPECT_EQ(codes.getCompletionCode(), 0u);
  EXPECT_EQ(codes.getPublicReturnCode(), 0);
}

TEST(ZoErrorCodes, CopyAndAssignmentCarryBothCodes) {
  ZoErrorCodes source;
  source.setFromInternalCode(ERR_MESS_EMPTY_MESSAGE);
  ZoErrorCodes copy(source);
  EXPECT_EQ(copy.getCompletionCode(), 1u);
  EXPECT_EQ(copy.getPublicReturnCode(), ZORC_EMPTY_MESSAGE);

  ZoErrorCodes target;
  target = source;
  EXPECT_EQ(target.getCompletionCode(), 1u);
  EXPECT_EQ(target.getPublicReturnCode(), ZORC_EMPTY_MESSAGE);

  ZoErrorCodes& alias = target;
  target = alias;
  EXPECT_EQ(target.getCompletionCode(), 1u);
  EXPECT_EQ(target.getPublicReturnCode(), ZORC_EMPTY_MESSAGE);
}

TEST(ZoErrorCodes, ImportCodesGiveTheirPublicCodes) {
  expectOutcome(ERR_PXM_NO_MEMORY, 2, ZORC_UNEXPECTED_ERROR);
  expectOutcome(ERR_PXM_UNEXPECTED_ERROR, 2, ZORC_UNEXPECTED_ERROR);
  expectOutcome(ERR_PXM_BAD_FILENAME, 2, ZORC_PXM_INVALID_FILENAME);
  expectOutcome(ERR_PXM_NO_FILENAME, 2, ZORC_PXM_NO_FILENAME);
  expectOutcome(ERR_PXM_OPEN_ERROR, 2, ZORC_PXM_OPEN_ERROR);
  expectOutcome(ERR_PXM_DEFN_ALREADY_EXISTS, 2, ZORC_DEFN_ALREADY_EXISTS);
}

TEST(ZoErrorCodes, WarningClassKeepsCompletionOneUnlessUnexpected) {
  // Mapped to the unexpected-error code: always an error to the caller.
  expectOutcome(ERR_DRV_RETRY, 2, ZORC_UNEXPECTED_ERROR);
  expectOutcome(ERR_MESS_NO_MORE_FIELDS, 2, ZORC_UNEXPECTED_ERROR);
  // Other warnings stay warnings, whether mapped generically or by family.
  expectOutcome(ERR_MESS_EMPTY_MESSAGE, 1, ZORC_EMPTY_MESSAGE);
  expectOutcome(ERR_FLD_DATA_TRUNCATED, 1, ZORC_FIELD_TRUNCATED);
  expectOutcome(ERR_MESS_DATA_TRUNCATED, 1, ZORC_FIELD_TRUNCATED);
  expectOutcome(ERR_DRV_NO_MSG_AVAILABLE, 1, ZORC_NO_MESSAGE_AVAILABLE);
  expectOutcome(ERR_SERV_CONNECTED, 1, ZORC_CONNECTED);
  expectOutcome(xecE_W_TEXT_TRUNCATED, 1, 97 * 1000 + 0x33);
}

TEST(ZoErrorCodes, FamilyRuleForCodesWithoutGenericMapping) {
  expectOutcome(ERR_CONF_SECTION_NOT_FOUND, 2, ZORC_INI_SECTION_NOT_FOUND);
  expectOutcome(ERR_CONF_SECTION_INVALID, 2, 1007);
  expectOutcome(ERR_DB_DATA_MISMATCH, 2, ZORC_INVALID_DEFN_VALUE);
  expectOutcome(ERR_DB_KEYWORD_NOT_FOUND, 2, ZORC_DEFN_PROPERTY_NOT_FOUND);
  expectOutcome(ERR_SEC_SYS_ERROR, 2, ZORC_SEC_DB_SYSERROR);
  expectOutcome(ERR_SESS_INVALID_DBTYPE, 2, ZORC_INVALID_DB_TYPE);
  expectOutcome(ERR_SESS_DUPLICATE_ZOSERVICE, 2, 41002);
  expectOutcome(ERR_MESS_FIELD_NOT_FOUND, 2, ZORC_FIELD_NOT_FOUND);
  expectOutcome(ERR_MESS_INVALID_TOKEN, 2, ZORC_INVALID_INDEX);
  expectOutcome(ERR_MSGD_INVALID_FIELD_NO, 2, 12001);
  // Common-services and unknown codes follow the same rule.
  expectOutcome(XEC_NOT_STARTED_OR_NO_TRACE_FILE, 2, 96 * 1000 + 0x58);
  expectOutcome(XEC_CONV_CONTROL_FILE_OPEN, 2, 97 * 1000 + 0x06);
  expectOutcome(0xFFFFFFFFu, 1, 255 * 1000 + 255);
}

TEST(ZoErrorCodes, GenericMappingsAcrossFamilies) {
  expectOutcome(ERR_SVCD_INVALID_NAME, 2, ZORC_INVALID_OBJECT_NAME);
  expectOutcome(ERR_FLDD_INVALID_NAME, 2, ZORC_INVALID_OBJECT_NAME);
  expectOutcome(ERR_CONF_FILE_OPEN_ERROR, 2, ZORC_INI_OPEN_ERROR);
  expectOutcome(ERR_SESS_INI_OPEN_ERROR, 2, ZORC_INI_OPEN_ERROR);
  expectOutcome(ERR_DB_CLOSED, 2, ZORC_DEFN_DB_NOT_OPEN);
  expectOutcome(ERR_DB_SYS_ERROR, 2, ZORC_DEFN_DB_SYSERROR);
  expectOutcome(ERR_DB_NOT_SUPPORTED, 2, ZORC_NOT_SUPPORTED);
  expectOutcome(ERR_BUFF_INVALID_ALIGNMENT, 2, ZORC_INVALID_ALIGNMENT);
  expectOutcome(ERR_MESS_INVALID_SEGMENT, 2, ZORC_INVALID_SEGMENT);
  expectOutcome(ERR_SEND_INVALID_IDENTIFIER, 2, ZORC_INVALID_IDENTIFIER);
  // The receive-options identifier has no generic code: its family code.
  expectOutcome(ERR_RECEIVE_INVALID_IDENTIFIER, 2, 45004);
}

TEST(ZoErrorCodes, EveryDocumentStoreCodeIsUnexpected) {
  for (ZO_ULONG code = ERR_RDBD_KEY_ITEM_NOT_FOUND; code <= ERR_RDBD_SERVER_NOT_RESPONDING;
       ++code) {
    expectOutcome(code, 2, ZORC_UNEXPECTED_ERROR);
  }
  // The number just past the family's last code is not mapped.
  expectOutcome(ERR_RDBD_SERVER_NOT_RESPONDING + 1, 2, 8019);
}

}  // namespace
