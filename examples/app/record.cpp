// vexo-record MESSAGE JSON
//
// Builds the message MESSAGE from the definition database (vexo.ini through
// VEXO_INI_PATH), encodes the JSON object into the message's record with
// ZoRecordCodec, prints the record in hex and the record decoded again.
#include <cstdio>
#include <string>

#include <vexo/common/services_api.h>
#include <vexo/message/zo_message.h>
#include <vexo/message/zo_record_codec.h>
#include <vexo/session/zo_session.h>

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vexo-record MESSAGE JSON\n");
    return 2;
  }
  xrkInitCommonServices("VEXO");
  ZoSession session(argc, argv);
  ZoMessage message(argv[1], session);
  if (session.getErrorCode() != 0 || message.getErrorCode() != 0) {
    std::fprintf(stderr, "vexo-record: the message %s cannot be built\n", argv[1]);
    return 1;
  }
  ZoRecordCodec codec(message);  // texts as they are, numbers in native order
  std::string record, json;
  if (!codec.encode(argv[2], record) || !codec.decode(record, json)) {
    std::fprintf(stderr, "vexo-record: %s\n", codec.getErrorText().text());
    return 1;
  }
  std::printf("%s record (%zu bytes):", argv[1], record.size());
  for (const char c : record) std::printf(" %02x", static_cast<unsigned char>(c));
  std::printf("\n%s\n", json.c_str());
  return 0;
}
