// The CSV document: decoding, detection, parsing, editing and saving of a delimited text file.
#pragma once

#include "document/delimiter.h"
#include "document/encoding.h"
