# The settings every Windows script shares, written once: sourced (not run) by
# scripts/qt-mingw.sh, scripts/windows-test.sh and scripts/windows-package.sh,
# with the working folder at the project's root.
#
# Sets: win_toolchain, win_cache, qt_version, qt_host_path, qt_host_cmake_dir,
# qt_options, qtcharts_options, jpeg_options, sqlite_options, qt_prefix, jpeg_prefix,
# sqlite_prefix; defines windows_host_qt_check and windows_configure.

win_toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
win_cache=${TRAVIK_CACHE:-$HOME/.cache/travik-readout}

# The Qt the sources are written for. The cross build runs the host's moc, uic
# and rcc, which must be of the same version.
qt_version=6.4.2
qt_host_path=/usr
qt_host_cmake_dir=/usr/lib/x86_64-linux-gnu/cmake

qt_options=(
    -DBUILD_SHARED_LIBS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    -DFEATURE_optimize_size=ON -DCMAKE_BUILD_TYPE=Release
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_testlib=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
    -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_opengl_dynamic=OFF -DFEATURE_dynamicgl=OFF
    -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF
    -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF
    # Neither the program nor its Wine tests use these; leaving them out saves
    # about a tenth of the build. Direct2D is a platform plugin of its own, and
    # DirectWrite's font engine is only built with it (the GDI one remains).
    # Accessibility and the session manager stay: screen readers and the
    # window's end with the session need them.
    -DFEATURE_direct2d=OFF -DFEATURE_directwrite=OFF -DFEATURE_directwrite3=OFF
    -DFEATURE_systemtrayicon=OFF -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF
    -DFEATURE_colordialog=OFF -DFEATURE_fontdialog=OFF -DFEATURE_fontcombobox=OFF
    -DFEATURE_mdiarea=OFF -DFEATURE_lcdnumber=OFF -DFEATURE_dial=OFF -DFEATURE_keysequenceedit=OFF
    -DFEATURE_undoview=OFF -DFEATURE_wizard=OFF -DFEATURE_errormessage=OFF
    # Nor these: none of their classes is named in our code, Qt Charts or the
    # widgets the program shows (its file and message boxes included), and no
    # feature left on needs them. The MIME database is only read for name
    # filters given as MIME types, which the program does not use. The input
    # dialog stays: the Windows style plugin includes its header unguarded; so
    # do the date edits and the list widget, which the history view shows.
    -DFEATURE_toolbox=OFF -DFEATURE_textbrowser=OFF -DFEATURE_treewidget=OFF
    -DFEATURE_tablewidget=OFF -DFEATURE_columnview=OFF -DFEATURE_datawidgetmapper=OFF
    -DFEATURE_commandlinkbutton=OFF -DFEATURE_splashscreen=OFF -DFEATURE_syntaxhighlighter=OFF
    -DFEATURE_movie=OFF -DFEATURE_textodfwriter=OFF -DFEATURE_undocommand=OFF
    -DFEATURE_undostack=OFF -DFEATURE_undogroup=OFF -DFEATURE_mimetype_database=OFF
)
# Qt Charts with the two kinds of series the chart page draws (lines and
# points) and the value and category axes; the other chart kinds and the date
# axis are left out.
qtcharts_options=(
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release
    -DFEATURE_charts_area_chart=OFF -DFEATURE_charts_spline_chart=OFF
    -DFEATURE_charts_bar_chart=OFF -DFEATURE_charts_pie_chart=OFF
    -DFEATURE_charts_boxplot_chart=OFF -DFEATURE_charts_candlestick_chart=OFF
    -DFEATURE_charts_datetime_axis=OFF
)
jpeg_options=(-DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF
              -DCMAKE_BUILD_TYPE=Release -DCMAKE_POSITION_INDEPENDENT_CODE=OFF)
# Bumped when qt-mingw.sh changes what gets built.
win_recipe=1

win_key_of() { { echo "$win_recipe"; printf '%s\n' "$@"; cat "$win_toolchain"; } | sha256sum | cut -c1-12; }
qt_prefix=$win_cache/qt6-mingw-$qt_version-$(win_key_of "$qt_version" "${qt_options[@]}" "${qtcharts_options[@]}")
jpeg_version=$(dpkg-query -W -f='${source:Upstream-Version}' libjpeg-dev 2>/dev/null || echo unknown)
jpeg_prefix=$win_cache/libjpeg-turbo-mingw-$jpeg_version-$(win_key_of "$jpeg_version" "${jpeg_options[@]}")
# SQLite for the history: its one-file build compiled by the cross compiler into
# a static library. Its own recipe number, so that a change here leaves Qt's key alone.
sqlite_options=(-O2 -DSQLITE_THREADSAFE=1)
sqlite_recipe=1
sqlite_version=$(dpkg-query -W -f='${source:Upstream-Version}' libsqlite3-dev 2>/dev/null || echo unknown)
sqlite_prefix=$win_cache/sqlite-mingw-$sqlite_version-$(win_key_of "sqlite$sqlite_recipe" "$sqlite_version" "${sqlite_options[@]}")

# The host's Qt version, from its CMake package ("" when Qt is not installed).
windows_host_qt_version() {
    sed -n 's/^set(PACKAGE_VERSION "\([0-9.]*\)")/\1/p' "$qt_host_cmake_dir"/Qt6/Qt6ConfigVersion*.cmake 2>/dev/null | head -n 1
}

# Fails at once, before anything is built or cached, on a host whose Qt is not
# the one the Windows build needs (Debian 13 has 6.8; this build needs 6.4.2,
# Debian 12's).
windows_host_qt_check() {
    local host
    host=$(windows_host_qt_version)
    [ "$host" = "$qt_version" ] && return 0
    echo "The Windows build needs a host with Qt $qt_version (Debian 12, bookworm) for moc, uic" \
        "and rcc; this host has Qt ${host:-none}." >&2
    return 1
}

# windows_configure BUILD_DIR CHARTS: configures the cross build of the project.
windows_configure() {
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAVIK_BUILD_GUI=ON \
        -DCMAKE_TOOLCHAIN_FILE="$win_toolchain" \
        -DCMAKE_PREFIX_PATH="$qt_prefix;$jpeg_prefix;$sqlite_prefix" -DTRAVIK_CHARTS="$2" \
        -DQT_HOST_PATH="$qt_host_path" -DQT_HOST_PATH_CMAKE_DIR="$qt_host_cmake_dir" >/dev/null
}
