# One INTERFACE target carries the language level and the warnings of every target we build.
add_library(strovik_flags INTERFACE)
target_compile_features(strovik_flags INTERFACE cxx_std_20)
target_compile_options(strovik_flags INTERFACE
    -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual
    $<$<BOOL:${STROVIK_WARNINGS_AS_ERRORS}>:-Werror>)
target_compile_definitions(strovik_flags INTERFACE
    QT_NO_KEYWORDS                 # signals/slots/emit collide with names in FFmpeg and ALSA headers
    STROVIK_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    STROVIK_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    STROVIK_VERSION_PATCH=${PROJECT_VERSION_PATCH}
    STROVIK_VERSION_TWEAK=${PROJECT_VERSION_TWEAK_OR_ZERO})

if(STROVIK_SANITIZE)
    target_compile_options(strovik_flags INTERFACE -fsanitize=${STROVIK_SANITIZE} -fno-omit-frame-pointer)
    target_link_options(strovik_flags INTERFACE -fsanitize=${STROVIK_SANITIZE})
endif()
