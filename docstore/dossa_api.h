#pragma once
// The client library's declarations live with the library.
#include "ndossa/dossa_api.h"
