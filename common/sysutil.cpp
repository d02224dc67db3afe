// System utilities of the common-services layer.
#include "common/sysutil.h"

#include <ctime>

#include "common/report.h"
#include "common/return_codes.h"
#include "common/trace.h"
#include "platform/platform.h"

ZO_LONG ObtainSystemCp() {
  XTR_SERVICE("ObtainSystemCP", ERR_NONE);
  ZO_LONG codePage = platformConsoleCodePage();
  if (codePage == 0) {
    const long rc = platformSystemCodePage(&codePage);
    if (rc != 0) {
      codePage = XRK_DEFAULT_CODE_PAGE;
      xrk_xcsPVRT("ObtainSystemCp", 1, static_cast<ZO_LONG>(rc), 0,
                  "Failure in attempting to establish System CodePage.", "Using default.  ", " ");
    }
  }
  xtrTextF("Code page is %d", static_cast<int>(codePage));
  return codePage;
}

ZO_ULONG xrkQueryDateTime2(ZO_SHORT option, char* dateText, char* timeText, ZO_SHORT dateSize,
                           ZO_SHORT timeSize) {
  ZO_ULONG rc = 0;
  XTR_SERVICE("xrkQueryDateTime2", rc);
  std::tm moment{};
  const std::time_t now = platformNow().seconds;
  if (option == XRK_DATETIME_LOCAL) {
    if (!platformLocalTime(now, &moment)) rc = xecU_E_TIME_ERROR;
  } else if (option == XRK_DATETIME_UTC) {
    if (!platformUniversalTime(now, &moment)) rc = xecU_E_TIME_ERROR;
  } else {
    rc = xecU_E_INVALID_OPTION;
  }
  // strftime gives 0 when the text and its terminator do not fit; neither
  // format can give an empty text.
  if (rc == 0 && (dateText == nullptr || dateSize < 1 ||
                  std::strftime(dateText, static_cast<std::size_t>(dateSize), "%x ", &moment) == 0)) {
    rc = xecU_E_TIME_ERROR;
  }
  if (rc == 0 && (timeText == nullptr || timeSize < 1 ||
                  std::strftime(timeText, static_cast<std::size_t>(timeSize), "%H:%M:%S", &moment) == 0)) {
    rc = xecU_E_TIME_ERROR;
  }
  return rc;
}

void xrkSleep(ZO_ULONG milliseconds) { platformSleep(milliseconds); }
