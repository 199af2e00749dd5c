-- A directory as the previous release of postgresql.sql left it: keys in clear, functions
-- owned by the login that ran it (those the upgrade changes most), three entries (one lapsed).
-- The upgrade test starts from here.

CREATE TABLE IF NOT EXISTS directory_entries (
    entry_id       bigserial   PRIMARY KEY,
    servername     text        NOT NULL,
    gametype       text        NOT NULL,
    ipaddress      text        NOT NULL,
    port           text        NOT NULL,
    mods           text        NOT NULL,
    connectiontype text        NOT NULL,
    serverkey      text        NOT NULL,
    source         text        NOT NULL,
    -- when the entry was posted or last refreshed; it is listed for 24 hours after that
    posted         timestamptz NOT NULL DEFAULT now()
);

-- One entry per address, which also settles two posts of the same address racing each other.
CREATE UNIQUE INDEX IF NOT EXISTS directory_entries_ipaddress ON directory_entries (ipaddress);
CREATE INDEX IF NOT EXISTS directory_entries_game ON directory_entries (gametype, posted DESC);

-- Players share one login, so they reach the entries only through the functions below, which run
-- with the owner's rights: nobody reads another poster's key or rewrites the table directly.
REVOKE ALL ON directory_entries FROM PUBLIC;

-- Posts an entry. An address that is already listed raises unique_violation with the word
-- ALREADYLISTED in the message; an expired entry is cleared away first and does not count.
CREATE OR REPLACE FUNCTION AddServer(p_servername text, p_gametype text, p_ipaddress text, p_port text,
                                     p_mods text, p_connectiontype text, p_serverkey text, p_source text)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$
BEGIN
    DELETE FROM directory_entries WHERE posted < now() - interval '24 hours';
    INSERT INTO directory_entries (servername, gametype, ipaddress, port, mods, connectiontype, serverkey, source)
    VALUES (p_servername, p_gametype, p_ipaddress, p_port, p_mods, p_connectiontype, p_serverkey, p_source);
EXCEPTION WHEN unique_violation THEN
    RAISE EXCEPTION 'ALREADYLISTED: a server with the address % is already listed', p_ipaddress
        USING ERRCODE = 'unique_violation';
END;
$$;

-- Removes the entry at an address, whoever posted it.
CREATE OR REPLACE FUNCTION DeleteServer(p_ipaddress text)
RETURNS void LANGUAGE sql SECURITY DEFINER SET search_path FROM CURRENT AS $$
    DELETE FROM directory_entries WHERE ipaddress = p_ipaddress
$$;

-- Removes the entry at an address only when the key and the source it was posted with match.
CREATE OR REPLACE FUNCTION DeleteServerPWed(p_ipaddress text, p_serverkey text, p_source text)
RETURNS void LANGUAGE sql SECURITY DEFINER SET search_path FROM CURRENT AS $$
    DELETE FROM directory_entries
    WHERE ipaddress = p_ipaddress AND serverkey = p_serverkey AND source = p_source
$$;

INSERT INTO directory_entries (servername, gametype, ipaddress, port, mods, connectiontype, serverkey, source, posted)
VALUES ('Clear one', 'Rogue Spear', '10.3.0.1', '2346', '', 'DSL', 'old key', '10.3.0.1', now()),
       ('Clear two', 'Rogue Spear', '10.3.0.2', '2346', 'mod', 'T1', 'k2', '10.3.0.2', now() - interval '1 hour'),
       ('Lapsed', 'Rogue Spear', '10.3.0.3', '2346', '', 'DSL', 'k3', '10.3.0.3', now() - interval '25 hours');
