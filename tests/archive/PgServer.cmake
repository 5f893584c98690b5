# The throwaway PostgreSQL server of the archive tests and the archive benchmark.
if(NOT TARGET ombrix_test_pgserver)
  add_library(ombrix_test_pgserver STATIC ${CMAKE_CURRENT_LIST_DIR}/PgServer.cpp)
  target_include_directories(ombrix_test_pgserver PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(ombrix_test_pgserver PUBLIC ombrix_archive)
endif()
