# The floors of src/ and what each may use, written once: the build links each
# floor's library against exactly these (src/*/CMakeLists.txt, through
# vanto_floor()), and the layers test lets each file include only these
# (cmake/CheckLayers.cmake). A floor is a folder of src/ and a static library
# vanto_<floor>; the dialogs of link/ and logging/ (their frm* files) are
# libraries of their own, vanto_link_dialog and vanto_logging_dialog, since
# only they of those folders stand on Widgets. Bottom up:
set(VANTO_FLOORS
    looks           # state colours, button looks                      Qt Gui
    telemetry       # the typed reading, the decoder, unit conversions  Qt Core
    commands        # the three toggles and the load interlock          Qt Core
    link            # serial controls, reply reader, port policies      Qt Core, SerialPort, Network
    link_dialog     # the port setup dialog                             Widgets
    logging         # log writer, logging switch, paths                 Qt Core
    logging_dialog  # the log file dialog                               Widgets
    session         # the session record and what is made of it         Qt Core
    review          # recorded sessions read back, their summary        Qt Core, libcsv
    run             # the poll cycle without widgets                    Qt Core
    shore           # the run published to an MQTT broker, and watched  Qt Core, libmosquitto
    procedure       # procedure files and the step engine over the run  Qt Core, toml++
    ui              # what every window shares                          Widgets
    instruments     # lamp and dial gauge                               Widgets
    about           # about box, registry, system information           Widgets
    trends          # the Trends window                                 Widgets, QCustomPlot
    monitors        # the Alarms and Line windows                       Widgets
    porttest        # the Port Test window and its report               Widgets, QCustomPlot
    app)            # the main window and the program

set(VANTO_USES_looks "")
set(VANTO_USES_telemetry looks)
set(VANTO_USES_commands looks)
set(VANTO_USES_link "")
set(VANTO_USES_link_dialog link ui)
set(VANTO_USES_logging "")
set(VANTO_USES_logging_dialog logging ui)
set(VANTO_USES_session telemetry looks)
set(VANTO_USES_review logging session telemetry looks)
set(VANTO_USES_run commands link logging session telemetry looks)
set(VANTO_USES_shore run session telemetry link looks)
set(VANTO_USES_procedure run commands link logging session telemetry looks)
set(VANTO_USES_ui "")
set(VANTO_USES_instruments telemetry looks ui)
set(VANTO_USES_about ui)
set(VANTO_USES_trends logging review session telemetry looks ui)
set(VANTO_USES_monitors link session telemetry looks ui)
set(VANTO_USES_porttest procedure run commands link logging session telemetry looks trends ui)
set(VANTO_USES_app about commands instruments link link_dialog logging logging_dialog looks monitors porttest
    procedure review run session shore telemetry trends ui)

# The Qt modules each floor links; the plain floors know no Widgets.
set(VANTO_QT_looks Qt6::Gui)
set(VANTO_QT_telemetry Qt6::Core)
set(VANTO_QT_commands Qt6::Core)
set(VANTO_QT_link Qt6::Core Qt6::SerialPort Qt6::Network)
set(VANTO_QT_link_dialog Qt6::Widgets)
set(VANTO_QT_logging Qt6::Core)
set(VANTO_QT_logging_dialog Qt6::Widgets)
set(VANTO_QT_session Qt6::Core)
set(VANTO_QT_review Qt6::Core)
set(VANTO_QT_run Qt6::Core)
set(VANTO_QT_shore Qt6::Core)
set(VANTO_QT_procedure Qt6::Core)
set(VANTO_QT_ui Qt6::Widgets)
set(VANTO_QT_instruments Qt6::Widgets)
set(VANTO_QT_about Qt6::Widgets)
set(VANTO_QT_trends Qt6::Widgets)
set(VANTO_QT_monitors Qt6::Widgets)
set(VANTO_QT_porttest Qt6::Widgets)
set(VANTO_QT_app Qt6::Widgets)

# The folder of src/ a floor's files are in.
function(vanto_floor_folder floor out)
    string(REGEX REPLACE "_dialog$" "" folder ${floor})
    set(${out} ${folder} PARENT_SCOPE)
endfunction()
