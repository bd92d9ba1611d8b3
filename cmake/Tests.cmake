# The tests: a support library for each kind, and the test programs over them.
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB SUPPORT_SOURCES CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}
     tests/support/*.cpp tests/support/*.h)
list(FILTER SUPPORT_SOURCES EXCLUDE REGEX "/(CMp3Factory|CId3Writer|CAudioFiles)\\.cpp$")
add_library(cratewise_test_support STATIC ${SUPPORT_SOURCES})
target_include_directories(cratewise_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(cratewise_test_support PUBLIC cratewise_songgen GTest::gtest GTest::gmock)
# Songs with sound in them (tones), for what the built-in player puts out.
find_library(MP3LAME_LIBRARY mp3lame REQUIRED)
target_link_libraries(cratewise_test_support PUBLIC ${MP3LAME_LIBRARY})
cratewise_precompile(cratewise_test_support ${CRATEWISE_CORE_PCH} ${CRATEWISE_TEST_PCH})
target_compile_options(cratewise_test_support PUBLIC ${CRATEWISE_TEST_DEBUG})

file(GLOB GUI_SUPPORT_SOURCES CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}
     tests/support/gui/*.cpp tests/support/gui/*.h)
add_library(cratewise_gui_test_support STATIC ${GUI_SUPPORT_SOURCES})
target_link_libraries(cratewise_gui_test_support PUBLIC cratewise_test_support cratewise_gui Qt6::Test)
cratewise_precompile(cratewise_gui_test_support ${CRATEWISE_GUI_PCH} ${CRATEWISE_TEST_PCH} <QTest>)

# Two test programs: the core tests link only the core, the window tests (tests/ui,
# tests/app and every gui/ folder) the GUI as well. One program per folder cost a minute
# more of a clean build (links, moc runs, batches); ctest still runs each test on its own.
file(GLOB_RECURSE TEST_SOURCES CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}
     tests/*.cpp tests/*.h)
list(FILTER TEST_SOURCES EXCLUDE REGEX "^tests/support/")
set(GUI_TEST_SOURCES ${TEST_SOURCES})
list(FILTER GUI_TEST_SOURCES INCLUDE REGEX "${CRATEWISE_GUI_PATHS}")
set(CORE_TEST_SOURCES ${TEST_SOURCES})
list(FILTER CORE_TEST_SOURCES EXCLUDE REGEX "${CRATEWISE_GUI_PATHS}")

function(cratewise_test name sources support)
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE ${support})
    cratewise_reuse_pch(${name} ${support})
    cratewise_unity(${name})
    # A test caught in an endless loop (a question answered forever) fails instead
    # of holding the run.
    gtest_discover_tests(${name}
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300
        DISCOVERY_TIMEOUT 60)
endfunction()

cratewise_test(test_core "${CORE_TEST_SOURCES}" cratewise_test_support)
cratewise_test(test_gui "${GUI_TEST_SOURCES}" cratewise_gui_test_support)

# Includes point down the layers and run in no circle.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME LayersTest.IncludesPointDown
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/check_layers.py
                 ${CMAKE_SOURCE_DIR}/src)
include(cmake/PackagingTests.cmake)
# Painting can only be seen on a real X server: the window tests that need one run
# again under Xvfb.
find_program(XVFB_RUN xvfb-run)
if(XVFB_RUN)
    add_test(NAME PaintOnXTest.OnXvfb
             COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x800x24"
                     env QT_QPA_PLATFORM=xcb $<TARGET_FILE:test_gui>
                     --gtest_filter=PaintOnXTest.*)
    set_tests_properties(PaintOnXTest.OnXvfb PROPERTIES TIMEOUT 120)
endif()
