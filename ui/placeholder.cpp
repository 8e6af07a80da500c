// The user interface layer; its windows come with the main window.
namespace lorix {
}
