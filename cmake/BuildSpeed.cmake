# What keeps a clean build short on a 2-core machine: the faster linker, precompiled headers
# and unity builds. Each can be switched off to find out whether it hides a fault.
include(CheckLinkerFlag)

# A target's moc may start before the libraries it links are built: nothing here
# generates headers, and two cores stay busy.
set(CMAKE_AUTOGEN_ORIGIN_DEPENDS OFF)

option(CRATEWISE_FAST_LINKER "Link with lld (scripts/install-deps.sh installs it)" ON)
option(CRATEWISE_PCH "Precompile the Qt and test framework headers" ON)
option(CRATEWISE_UNITY "Compile the sources in batches (unity build)" ON)
# Line tables are enough to follow a failing test; full debug info of the test code
# costs a quarter of a clean build. The program and its libraries keep theirs.
set(CRATEWISE_TEST_DEBUG -g1 CACHE STRING "Debug info option of the test code (-g for all of it)")

if(CRATEWISE_FAST_LINKER)
    check_linker_flag(CXX -fuse-ld=lld CRATEWISE_HAS_LLD)
    if(CRATEWISE_HAS_LLD)
        # Unlike the GNU linker, lld leaves the build ID out unless asked.
        add_link_options(-fuse-ld=lld LINKER:--build-id=sha1)
    endif()
endif()

# The headers nearly every file of a kind includes, compiled once per kind. Targets whose
# flags match share one compiled header (REUSE_FROM), so a kind costs one compile in all.
set(CRATEWISE_CORE_PCH
    <QByteArray> <QDir> <QFile> <QFileInfo> <QList> <QObject> <QString> <QStringList>
    <algorithm> <functional> <memory> <optional> <vector>)
set(CRATEWISE_GUI_PCH
    ${CRATEWISE_CORE_PCH} <QAction> <QApplication> <QCheckBox> <QComboBox> <QDialog>
    <QGroupBox> <QLabel> <QLineEdit> <QListView> <QPushButton> <QVBoxLayout> <QWidget>)
set(CRATEWISE_TEST_PCH <gmock/gmock.h> <gtest/gtest.h>)

# cratewise_precompile(TARGET HEADERS...): TARGET compiles HEADERS once for itself.
function(cratewise_precompile target)
    if(CRATEWISE_PCH)
        target_precompile_headers(${target} PRIVATE ${ARGN})
    endif()
endfunction()

# cratewise_reuse_pch(TARGET FROM): TARGET uses FROM's compiled header.
function(cratewise_reuse_pch target from)
    if(CRATEWISE_PCH)
        target_precompile_headers(${target} REUSE_FROM ${from})
    endif()
endfunction()

# Files whose file-local names (anonymous namespace) clash with another file's, or whose
# classes hold such types (GCC warns once they share a translation unit), are compiled on
# their own. Named by file, not folder, so that moving a file keeps it out.
set(CRATEWISE_UNITY_SKIP
    CTagFile CStreamProbe CSongFromFile CInternalPlayer CPreviewCli CUpgradeCli CFormatTagFile
    CFormatTags CCoverReader
    PlaylistOperationsTest DownloadTest)

# cratewise_unity(TARGET...): the targets' sources are compiled in batches.
function(cratewise_unity)
    if(NOT CRATEWISE_UNITY)
        return()
    endif()
    list(JOIN CRATEWISE_UNITY_SKIP "|" skip)
    foreach(target ${ARGN})
        set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 16)
        get_target_property(sources ${target} SOURCES)
        list(FILTER sources INCLUDE REGEX "(^|/)(${skip})\\.cpp$")
        set_source_files_properties(${sources} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endforeach()
endfunction()
