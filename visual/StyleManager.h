#pragma once

// Drawing styles and their links to the model's components.
class StyleManager {};
