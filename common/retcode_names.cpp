// The return-code name table and its lookup.
#include "common/retcode_names.h"

#include <cstdio>

#include "common/conversion_api.h"
#include "common/return_codes.h"

namespace {

// Codes below this one (taken as signed) are printed as numbers, not looked up.
constexpr ZO_LONG FIRST_NAMED_CODE = 100;

// Name of the sentinel record, also the start of the text for unnamed codes.
#define ZO_NOT_FOUND_NAME "Not found in retcode translation table"

// Internal codes are stored as the signed 32-bit value with the same bits.
constexpr ZO_LONG asStored(ZO_ULONG internalCode) { return static_cast<ZO_LONG>(internalCode); }

// Operating-system message codes named in the table. Kept out of the public
// header: the system's own headers define these names as macros.
constexpr ZO_LONG kOsMessageIdNotFound = 317;
constexpr ZO_LONG kOsMessageCannotPerform = 321;

}  // namespace

// Searched from the first record to the sentinel; the first match wins.
const ZoRetcodeName zoRetcodeNames[] = {
    // Common-services codes, public return codes, internal codes family by family.
#define ZO_COMMON_CODE(name, value) {asStored(name), #name},
#define ZO_PUBLIC_CODE(name, value) {name, #name},
#define ZO_INTERNAL_CODE(name, value) {asStored(name), #name},
#include "common/return_codes.def"
#undef ZO_COMMON_CODE
#undef ZO_PUBLIC_CODE
#undef ZO_INTERNAL_CODE
    // Operating-system message codes.
    {kOsMessageIdNotFound, "ERROR_MR_MID_NOT_FOUND"},
    {kOsMessageCannotPerform, "ERROR_MR_UN_PERFORM"},
    // Reason codes of the message-queuing transport; the conversion's results
    // that share their values are named as the conversion names them.
    {2001, "QUEUE_REASON_2001"},
    {2003, "QUEUE_REASON_2003"},
    {2005, "QUEUE_REASON_2005"},
    {2007, "QUEUE_REASON_2007"},
    {2009, "QUEUE_REASON_2009"},
    {2011, "QUEUE_REASON_2011"},
    {2013, "QUEUE_REASON_2013"},
    {2015, "QUEUE_REASON_2015"},
    {2017, "QUEUE_REASON_2017"},
    {2019, "QUEUE_REASON_2019"},
    {2021, "QUEUE_REASON_2021"},
    {2023, "QUEUE_REASON_2023"},
    {2025, "QUEUE_REASON_2025"},
    {2027, "QUEUE_REASON_2027"},
    {2029, "QUEUE_REASON_2029"},
    {2031, "QUEUE_REASON_2031"},
    {2033, "QUEUE_REASON_2033"},
    {2035, "QUEUE_REASON_2035"},
    {2037, "QUEUE_REASON_2037"},
    {2039, "QUEUE_REASON_2039"},
    {2041, "QUEUE_REASON_2041"},
    {2043, "QUEUE_REASON_2043"},
    {2045, "QUEUE_REASON_2045"},
    {2047, "QUEUE_REASON_2047"},
    {2049, "QUEUE_REASON_2049"},
    {2051, "QUEUE_REASON_2051"},
    {2053, "QUEUE_REASON_2053"},
    {2055, "QUEUE_REASON_2055"},
    {2057, "QUEUE_REASON_2057"},
    {2059, "QUEUE_REASON_2059"},
    {2061, "QUEUE_REASON_2061"},
    {2063, "QUEUE_REASON_2063"},
    {2065, "QUEUE_REASON_2065"},
    {2067, "QUEUE_REASON_2067"},
    {2069, "QUEUE_REASON_2069"},
    {XCS_RC_NO_MEMORY, "XCS_RC_NO_MEMORY"},
    {2073, "QUEUE_REASON_2073"},
    {2075, "QUEUE_REASON_2075"},
    {2077, "QUEUE_REASON_2077"},
    {2079, "QUEUE_REASON_2079"},
    {2081, "QUEUE_REASON_2081"},
    {2083, "QUEUE_REASON_2083"},
    {2085, "QUEUE_REASON_2085"},
    {2087, "QUEUE_REASON_2087"},
    {2089, "QUEUE_REASON_2089"},
    {2091, "QUEUE_REASON_2091"},
    {2093, "QUEUE_REASON_2093"},
    {2095, "QUEUE_REASON_2095"},
    {2097, "QUEUE_REASON_2097"},
    {2099, "QUEUE_REASON_2099"},
    {2101, "QUEUE_REASON_2101"},
    {2103, "QUEUE_REASON_2103"},
    {2105, "QUEUE_REASON_2105"},
    {2107, "QUEUE_REASON_2107"},
    {2109, "QUEUE_REASON_2109"},
    {XCS_RC_SOURCE_CCSID_UNKNOWN, "XCS_RC_SOURCE_CCSID_UNKNOWN"},
    {2113, "QUEUE_REASON_2113"},
    {XCS_RC_TARGET_CCSID_UNKNOWN, "XCS_RC_TARGET_CCSID_UNKNOWN"},
    {2117, "QUEUE_REASON_2117"},
    {XCS_RC_TABLE_INVALID, "XCS_RC_TABLE_INVALID"},
    {2121, "QUEUE_REASON_2121"},
    {2123, "QUEUE_REASON_2123"},
    {2125, "QUEUE_REASON_2125"},
    {2127, "QUEUE_REASON_2127"},
    {2129, "QUEUE_REASON_2129"},
    {2131, "QUEUE_REASON_2131"},
    {2133, "QUEUE_REASON_2133"},
    {2135, "QUEUE_REASON_2135"},
    {2137, "QUEUE_REASON_2137"},
    {2139, "QUEUE_REASON_2139"},
    {2141, "QUEUE_REASON_2141"},
    {2143, "QUEUE_REASON_2143"},
    {2145, "QUEUE_REASON_2145"},
    {2147, "QUEUE_REASON_2147"},
    {2149, "QUEUE_REASON_2149"},
    {2151, "QUEUE_REASON_2151"},
    {2153, "QUEUE_REASON_2153"},
    {2155, "QUEUE_REASON_2155"},
    {2157, "QUEUE_REASON_2157"},
    {2159, "QUEUE_REASON_2159"},
    {2161, "QUEUE_REASON_2161"},
    {2163, "QUEUE_REASON_2163"},
    {2165, "QUEUE_REASON_2165"},
    {2167, "QUEUE_REASON_2167"},
    {2169, "QUEUE_REASON_2169"},
    {2171, "QUEUE_REASON_2171"},
    {2173, "QUEUE_REASON_2173"},
    {2175, "QUEUE_REASON_2175"},
    {2177, "QUEUE_REASON_2177"},
    {2179, "QUEUE_REASON_2179"},
    {2181, "QUEUE_REASON_2181"},
    {2183, "QUEUE_REASON_2183"},
    {2185, "QUEUE_REASON_2185"},
    {2187, "QUEUE_REASON_2187"},
    {2189, "QUEUE_REASON_2189"},
    {2191, "QUEUE_REASON_2191"},
    {2193, "QUEUE_REASON_2193"},
    {2195, "QUEUE_REASON_2195"},
    {2197, "QUEUE_REASON_2197"},
    {2199, "QUEUE_REASON_2199"},
    {2201, "QUEUE_REASON_2201"},
    {2203, "QUEUE_REASON_2203"},
    {2205, "QUEUE_REASON_2205"},
    {2207, "QUEUE_REASON_2207"},
    {2209, "QUEUE_REASON_2209"},
    {2211, "QUEUE_REASON_2211"},
    {2213, "QUEUE_REASON_2213"},
    {2215, "QUEUE_REASON_2215"},
    {2217, "QUEUE_REASON_2217"},
    {2219, "QUEUE_REASON_2219"},
    {2221, "QUEUE_REASON_2221"},
    {2223, "QUEUE_REASON_2223"},
    {2225, "QUEUE_REASON_2225"},
    {2227, "QUEUE_REASON_2227"},
    {2229, "QUEUE_REASON_2229"},
    {2231, "QUEUE_REASON_2231"},
    {2233, "QUEUE_REASON_2233"},
    {2235, "QUEUE_REASON_2235"},
    {2237, "QUEUE_REASON_2237"},
    {2239, "QUEUE_REASON_2239"},
    {2241, "QUEUE_REASON_2241"},
    {2243, "QUEUE_REASON_2243"},
    {2245, "QUEUE_REASON_2245"},
    {2247, "QUEUE_REASON_2247"},
    {2249, "QUEUE_REASON_2249"},
    {2251, "QUEUE_REASON_2251"},
    {2253, "QUEUE_REASON_2253"},
    {2255, "QUEUE_REASON_2255"},
    {2257, "QUEUE_REASON_2257"},
    {2259, "QUEUE_REASON_2259"},
    {2261, "QUEUE_REASON_2261"},
    {2263, "QUEUE_REASON_2263"},
    {2265, "QUEUE_REASON_2265"},
    {2267, "QUEUE_REASON_2267"},
    {2269, "QUEUE_REASON_2269"},
    {2271, "QUEUE_REASON_2271"},
    {2273, "QUEUE_REASON_2273"},
    {2275, "QUEUE_REASON_2275"},
    {2277, "QUEUE_REASON_2277"},
    {2279, "QUEUE_REASON_2279"},
    {2281, "QUEUE_REASON_2281"},
    {2283, "QUEUE_REASON_2283"},
    {2285, "QUEUE_REASON_2285"},
    {2287, "QUEUE_REASON_2287"},
    {2289, "QUEUE_REASON_2289"},
    {2291, "QUEUE_REASON_2291"},
    {2293, "QUEUE_REASON_2293"},
    {6000, "QUEUE_REASON_6000"},
    {6002, "QUEUE_REASON_6002"},
    {6004, "QUEUE_REASON_6004"},
    {6006, "QUEUE_REASON_6006"},
    {6008, "QUEUE_REASON_6008"},
    {6010, "QUEUE_REASON_6010"},
    {6012, "QUEUE_REASON_6012"},
    {6014, "QUEUE_REASON_6014"},
    {6016, "QUEUE_REASON_6016"},
    {6018, "QUEUE_REASON_6018"},
    {6020, "QUEUE_REASON_6020"},
    {6022, "QUEUE_REASON_6022"},
    {6024, "QUEUE_REASON_6024"},
    {6026, "QUEUE_REASON_6026"},
    {6028, "QUEUE_REASON_6028"},
    {6030, "QUEUE_REASON_6030"},
    {6032, "QUEUE_REASON_6032"},
    {6034, "QUEUE_REASON_6034"},
    {6036, "QUEUE_REASON_6036"},
    {6038, "QUEUE_REASON_6038"},
    {6040, "QUEUE_REASON_6040"},
    {6042, "QUEUE_REASON_6042"},
    {6044, "QUEUE_REASON_6044"},
    {6046, "QUEUE_REASON_6046"},
    {6048, "QUEUE_REASON_6048"},
    {6050, "QUEUE_REASON_6050"},
    {6052, "QUEUE_REASON_6052"},
    {6054, "QUEUE_REASON_6054"},
    {6056, "QUEUE_REASON_6056"},
    {6058, "QUEUE_REASON_6058"},
    {6060, "QUEUE_REASON_6060"},
    {6062, "QUEUE_REASON_6062"},
    {6064, "QUEUE_REASON_6064"},
    {6066, "QUEUE_REASON_6066"},
    {6068, "QUEUE_REASON_6068"},
    {6070, "QUEUE_REASON_6070"},
    {6072, "QUEUE_REASON_6072"},
    {6074, "QUEUE_REASON_6074"},
    {6076, "QUEUE_REASON_6076"},
    {6078, "QUEUE_REASON_6078"},
    {6080, "QUEUE_REASON_6080"},
    {6082, "QUEUE_REASON_6082"},
    {6084, "QUEUE_REASON_6084"},
    {6086, "QUEUE_REASON_6086"},
    {6088, "QUEUE_REASON_6088"},

    // End of the table.
    {ZO_RETCODE_SENTINEL, ZO_NOT_FOUND_NAME},
};

const std::size_t zoRetcodeNameCount = sizeof(zoRetcodeNames) / sizeof(zoRetcodeNames[0]);

void xtrFormatReturnCode(char* buffer, ZO_ULONG code) {
  const auto signedCode = static_cast<ZO_LONG>(code);
  if (signedCode < FIRST_NAMED_CODE) {
    if (signedCode == 0) {
      std::snprintf(buffer, ZO_RETCODE_TEXT_SIZE, "OK");
    } else {
      std::snprintf(buffer, ZO_RETCODE_TEXT_SIZE, "%d", static_cast<int>(signedCode));
    }
    return;
  }
  const ZoRetcodeName* record = zoRetcodeNames;
  while (record->code != ZO_RETCODE_SENTINEL && record->code != signedCode) ++record;
  if (record->code != ZO_RETCODE_SENTINEL) {
    std::snprintf(buffer, ZO_RETCODE_TEXT_SIZE, "%s", record->name);
    return;
  }
  std::snprintf(buffer, ZO_RETCODE_TEXT_SIZE, ZO_NOT_FOUND_NAME " (%lX) (%d)",
                static_cast<unsigned long>(code), static_cast<int>(signedCode));
}
