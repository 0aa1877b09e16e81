// State number -> text, one row per state with its three translations.
#include "dialup/StateTexts.h"

namespace {

struct Row {
    quint32 state;
    const char* english;
    const char* czech;
    const char* portuguese;
};

const Row kRows[] = {
    {0, "Opening port", "Otevírá se port", "Abrindo a porta"},
    {1, "Port opened", "Port otevřen", "Porta aberta"},
    {2, "Connecting device", "Probíhá spojování", "Conectando componente"},
    {3, "Device connected", "Navázáno spojení", "Componente conenctado"},
    {4, "All devices connected", "Všechna zařízení spojena", "Todos componentes conectados"},
    {5, "Start authenticating", "Začínají se ověřovat uživatelské informace", "Iniciando autenticaçao"},
    {6, "Authentication: notify", "Ověření: oznámení", "Autenticaçao: enviando"},
    {7, "Authentication: retry", "Ověření: opakování", "Autenticaçao: Reenviando"},
    {8, "Authentication: callback", "Ověření: zpětné volání", "Autenticaçao: Esperando"},
    {9, "Authentication: change password", "Ověření: změna hesla", "Autenticaçao: Senha incorreta"},
    {10, "Authentication: projecting", "Ověření: návrh", "Autenticaçao: enviando"},
    {11, "Authentication: link speed", "Ověření: spojovací rychlost", "Autenticaçao: Velocidade da linha"},
    {12, "Authentication: acknowledge", "Ověření: potvrzení", "Autenticaçao: enviando"},
    {13, "Authentication: reauthenticate", "Ověření: znovuověření", "Autenticaçao: Re-Autenticando"},
    {14, "Authenticated", "Ověřeno", "Autenticado"},
    {15, "Preparing for callback", "Příprava na zpetné volání", "Preparando para callback"},
    {16, "Waiting for modem reset", "Čeká se na reset modemu", "Esperando Reset do modem"},
    {17, "Waiting for callback", "Čeká se na zpětné volání", "Esperando callback"},
    {18, "Projected", "Navrhnuto", "Enviando"},
    {19, "Start authentication", "Ověřování uživatelských informací", "Autenticaçao iniciada"},
    {20, "Callback complete", "Zpetné volání hotovo", "Callback completo"},
    {21, "Logging on network", "Připojuje se na síť", "Logando na rede"},
    {4096, "Interactive", "Interakce", "Modo Interativo"},
    {4097, "Retry Authentication", "Opakování oveření", "Re-autenticar"},
    {4098, "Callback set by caller", "Zpeětné volání zvoleno uživatelem", "Callback foi conf. pelo destino"},
    {4099, "Password expired", "Platnost hesla vypršela", "Senha inválida"},
    {8192, "Connected", "Spojeno", "Conectado"},
    {8193, "Disconnected", "Rozpojeno", "Desconectado"},
};

} // namespace

QString connectionStateText(quint32 state, TLanguage language) {
    for (const Row& row : kRows) {
        if (row.state != state) continue;
        switch (language) {
        case TLanguage::English:
            return QString::fromUtf8(row.english);
        case TLanguage::Czech:
            return QString::fromUtf8(row.czech);
        case TLanguage::Portuguese:
            return QString::fromUtf8(row.portuguese);
        }
    }
    return {};
}
