// The module-wide catalogues and language, shared by the files of the localization unit only.
#pragma once

#include "localization/localization.h"

namespace qelvar::localization_state {

TUiCatalog& BaseCatalog();
TUiCatalog& ActiveCatalog();
TLanguage& Language();

}  // namespace qelvar::localization_state
