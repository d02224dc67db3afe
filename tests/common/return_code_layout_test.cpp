#include <gtest/gtest.h>

#include "common/return_codes.h"

TEST(ReturnCodes, LayoutOfInternalCodes) {
  EXPECT_EQ(ERR_PXM_NO_MEMORY, 0x20801906u);
  EXPECT_EQ(ERR_DRV_RETRY, 0x10801014u);
  EXPECT_EQ(ERR_MESS_EMPTY_MESSAGE, 0x10802B0Au);
  EXPECT_EQ(ZORC_PXM_OPEN_ERROR, 25003);
}
