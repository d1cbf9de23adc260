# The CAP-H file generator as a library, shared by the gen_caph program, the
# benchmarks and the generator's tests; included from each, defined once.
include_guard(GLOBAL)

add_library(pinweave_gen STATIC ${CMAKE_CURRENT_LIST_DIR}/gen_caph.cpp)
target_include_directories(pinweave_gen PUBLIC ${CMAKE_CURRENT_LIST_DIR})
pinweave_warnings(pinweave_gen)
