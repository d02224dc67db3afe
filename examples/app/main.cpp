// vexo-app MESSAGE FIELD VALUE FIELD VALUE
//
// Opens a session from vexo.ini (VEXO_INI_PATH), builds the message MESSAGE
// from the definition database, sets two of its fields by name, packs their
// values into a ZoBuffer, prints the packed bytes in hex and the two fields
// as the message gives them back.
#include <cstdio>

#include <vexo/common/services_api.h>
#include <vexo/defs/zo_string.h>
#include <vexo/message/zo_buffer.h>
#include <vexo/message/zo_message.h>
#include <vexo/session/zo_session.h>

namespace {

int fail(const char* what, const ZoErrorCodes& object) {
  std::fprintf(stderr, "vexo-app: %s failed: return code %ld\n", what,
               static_cast<long>(object.getPublicReturnCode()));
  return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: vexo-app MESSAGE FIELD VALUE FIELD VALUE\n");
    return 2;
  }
  // Tracing and conversion; the message runtime works without them too.
  xrkInitCommonServices("VEXO");

  ZoSession session(argc, argv);
  if (session.getErrorCode() != 0) return fail("the session", session);
  ZoMessage message(argv[1], session);
  if (message.getErrorCode() != 0) return fail("building the message", message);

  ZoBuffer buffer;
  for (int f = 2; f < 6; f += 2) {
    if (!message.setProperty(argv[f], argv[f + 1])) return fail("setProperty", message);
    ZoString value;
    if (!message.getProperty(argv[f], value)) return fail("getProperty", message);
    buffer.add(reinterpret_cast<const ZO_BYTE*>(value.text()), value.length());
  }

  std::printf("%s packed:", argv[1]);
  for (ZO_LONG i = 0; i < buffer.getDataLength(); ++i) std::printf(" %02x", buffer.getBuffer()[i]);
  std::printf("\n");
  for (int f = 2; f < 6; f += 2) {
    ZoString value;
    message.getProperty(argv[f], value);
    std::printf("%s=%s\n", argv[f], value.text());
  }
  return 0;
}
