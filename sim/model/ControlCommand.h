#pragma once

#include "model/ControllerModel.h"

#include <QString>

// What a person at the node does, as one line of text:
//   supplies on|off      both supplies live or dead
//   pps on|off           the 1PPS pulse reaching the port or not
//   hold NAME VALUE      a reading held at VALUE (°C, Hz, µs or V) until
//                        released: load_can_temp, control_can_temp,
//                        pulse_frequency, pulse_width, supply_400, supply_48
//   release [NAME]       that reading, or every one, back to the model
// Returns what was wrong with the line, empty when it was done.
QString applyControl(ControllerModel &model, const QString &line);
