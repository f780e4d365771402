#pragma once

// Changing single numbers of a model file's text by a parameter path, for
// parameter studies. The text is changed in place, word for word: comments,
// layout and every other number stay as they were, so the changed file is read
// exactly as the original except for the replaced values.
//
// A path names a number of one record:
//   KEYWORD.name.field   a component: BODY, NODE, FORCE or WHEEL, by its name,
//                        or `*` for every record of that keyword
//                        (BODY.Car.mass, FORCE.Sec1Vert.stiffness,
//                        WHEEL.*.reduced_mass)
//   KEYWORD.field        a vehicle-system section of several numbers
//                        (BRKSYS.gain, RESIST.c1, BRKCYL.fill, WSP.enabled)
//   ADHSET.j.field       adhesion characteristic j, counted from 1 in file order
//                        (ADHSET.1.mu_max); GRADIENT.j.field and ADHLEVEL.j.field
//                        their row j (GRADIENT.2.gradient, ADHLEVEL.1.factor)
//   KEYWORD              a section of one number: DT, ITER, LIM, SUBDIV,
//                        BRKHOLD, V0
// Fields: BODY mass, inertia, center_x, center_y; NODE rel_x, rel_y; FORCE
// stiffness, damping; WHEEL reduced_mass, static_load, radius; BRKSYS gain,
// threshold; RESIST c1 to c7; ADHSET mu_max (muStatic), limit_ratio,
// decay_velocity, shape_scale, shape_exponent; GRADIENT position, gradient;
// ADHLEVEL position, factor; BRKCYL fill, release; WSP enabled.

#include <string>
#include <vector>

// Replaces the number that `path` names in `modelText` by `value`, which must
// be a finite number in C notation, written as it stands. False, with a
// one-line `error` and the text unchanged, when the value is no such number,
// the path names no field, or the text holds no such record.
bool SetModelParameter(std::string& modelText, const std::string& path, const std::string& value,
                       std::string& error);

// The number that follows the first word `keyword` of `modelText` (comments
// left out), as the one-number sections ITER and SUBDIV hold it; false when
// there is no such keyword or no number after it.
bool ReadSectionNumber(const std::string& modelText, const std::string& keyword, double& value);
