#include "procedure_call.h"

#include "text.h"

namespace dw::tds {
namespace {

ServerMessage error(std::int32_t number, std::uint8_t severity, std::string text, std::string_view procedure)
{
    return ServerMessage{number, 1, severity, std::move(text), std::string(procedure), 0};
}

}  // namespace

std::variant<std::vector<ParamValue>, ServerMessage> bind_arguments(std::string_view procedure,
                                                                    const std::vector<std::string>& parameters,
                                                                    const std::vector<Argument>& args)
{
    std::vector<std::optional<ParamValue>> bound(parameters.size());
    bool named_seen = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const Argument& arg = args[i];
        std::size_t slot = 0;
        if (arg.name.empty()) {
            if (named_seen) {
                return error(119, 15,
                             "Must pass parameter number " + std::to_string(i + 1) +
                                 " and subsequent parameters as '@name = value'. After the form '@name = value' has "
                                 "been used, all subsequent parameters must be passed in the form '@name = value'.",
                             procedure);
            }
            if (i >= parameters.size()) {
                return error(8144, 16,
                             "Procedure or function " + std::string(procedure) + " has too many arguments specified.",
                             procedure);
            }
            slot = i;
        } else {
            named_seen = true;
            slot = parameters.size();
            for (std::size_t p = 0; p < parameters.size(); ++p) {
                if (equals_ignoring_case(parameters[p], arg.name)) {
                    slot = p;
                }
            }
            if (slot == parameters.size()) {
                return error(8145, 16, arg.name + " is not a parameter for procedure " + std::string(procedure) + ".",
                             procedure);
            }
            if (bound[slot]) {
                return error(8143, 16, "Parameter '" + parameters[slot] + "' was supplied multiple times.", procedure);
            }
        }
        // DEFAULT leaves the parameter unsupplied: none of these procedures has defaults.
        if (!arg.use_default) {
            bound[slot] = arg.value;
        }
    }
    std::vector<ParamValue> values;
    for (std::size_t p = 0; p < parameters.size(); ++p) {
        if (!bound[p]) {
            return error(201, 16,
                         "Procedure or function '" + std::string(procedure) + "' expects parameter '" + parameters[p] +
                             "', which was not supplied.",
                         procedure);
        }
        values.push_back(*bound[p]);
    }
    return values;
}

}  // namespace dw::tds
