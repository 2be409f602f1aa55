# Warning flags every target of ours gets: -Wall -Wextra, and the build stays free of warnings.
add_library(marlowe_warnings INTERFACE)
target_compile_options(marlowe_warnings INTERFACE -Wall -Wextra)
# CI turns warnings into errors so that none can land.
if(MARLOWE_WERROR)
  target_compile_options(marlowe_warnings INTERFACE -Werror)
endif()
