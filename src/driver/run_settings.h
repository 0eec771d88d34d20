#pragma once

#include "driver/conversion_options.h"
#include "header/header_writer.h"
#include "verify/round_trip_check.h"

/*
 *	The layers below the driver each take the settings they read as a record
 *	of their own; these make them from the command line's options.
 */

/** @brief the settings that shape the header's text */
HeaderSettings t_HeaderSettings(const ConversionOptions &r_options);

/**
 *	@brief the settings of the round-trip check
 *	@param[in] r_planes are the settings the image became planes with
 */
CheckSettings t_CheckSettings(const ConversionOptions &r_options, const PlaneSettings &r_planes);
