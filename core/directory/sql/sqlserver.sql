-- Skirmdeck server directory on SQL Server 2016 SP1 or later.
--
-- The client calls {call Name(?,...)} with every argument as text, by position, in the order
-- of the parameters below. Run this in the directory's database as a member of sysadmin:
--   sqlcmd -S HOST -U sa -d vexora -b -i sqlserver.sql
-- Running it again upgrades the directory in place and keeps its entries: keys stored in clear by
-- an older version are hashed, and every object is handed to the owner.
--
-- Principals:
--   skirmdeck_owner   a database user without a login; owns the tables and the procedures, which
--                     run as it (EXECUTE AS OWNER);
--   skirmdeck_player  the database user of the login of that name, which players' connection
--                     strings name; it may execute the five procedures and nothing else. Create the
--                     login first (CREATE LOGIN skirmdeck_player WITH PASSWORD = '...'); without it
--                     this script grants nothing. The classic connection string logs in as sa, to
--                     whom no grant applies; the rules below hold for every caller all the same.
--
-- Rules the procedures keep (the same as the PostgreSQL script's):
--   - keys are stored as salted, stretched SHA-512 hashes (SQL Server has no bcrypt);
--   - each entry records the address it was posted from (client_net_address); DeleteServer, the
--     removal without a key, only works from the listed address or the posting address;
--   - posts per calling address are limited by the rows of DirectoryLimits;
--   - every text is checked before anything is stored;
--   - removals are logged in DirectoryRemovals, which only the owner reads.
-- A caller over shared memory or named pipes has no network address (NULL): it counts as one
-- address of its own for the limits and may not use DeleteServer.
--
-- Errors, each with a word at the start of the message that the client tells them apart by:
--   50001 ALREADYLISTED, 50002 NOTPERMITTED, 50003 LIMIT name, 50004 INVALID field.
--
-- Every procedure sets NOCOUNT ON and raises before it writes anything: an error that follows a
-- row count can be lost on its way through some ODBC drivers.

SET ANSI_NULLS ON;
SET QUOTED_IDENTIFIER ON;
GO

IF DATABASE_PRINCIPAL_ID(N'skirmdeck_owner') IS NULL
    CREATE USER skirmdeck_owner WITHOUT LOGIN;
IF DATABASE_PRINCIPAL_ID(N'skirmdeck_player') IS NULL AND SUSER_ID(N'skirmdeck_player') IS NOT NULL
    CREATE USER skirmdeck_player FOR LOGIN skirmdeck_player;
GO

IF OBJECT_ID(N'dbo.DirectoryEntries', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.DirectoryEntries (
        EntryId        bigint IDENTITY(1, 1) NOT NULL CONSTRAINT PK_DirectoryEntries PRIMARY KEY,
        ServerName     nvarchar(64)  NOT NULL,
        GameType       nvarchar(64)  NOT NULL,
        IPAddress      nvarchar(253) NOT NULL,
        Port           nvarchar(5)   NOT NULL,
        Mods           nvarchar(128) NOT NULL,
        ConnectionType nvarchar(32)  NOT NULL,
        KeySalt        varbinary(16) NOT NULL,
        KeyHash        varbinary(64) NOT NULL,
        Source         nvarchar(253) NOT NULL,
        -- when the entry was posted or last refreshed (UTC); it is listed for 24 hours after that
        Posted         datetime2(7)  NOT NULL CONSTRAINT DF_DirectoryEntries_Posted DEFAULT SYSUTCDATETIME(),
        -- the address the post came from; NULL without a network address or when posted before it was kept
        PostedFrom     varchar(48)   NULL,
        -- one entry per address, which also settles two posts of the same address racing each other
        CONSTRAINT UQ_DirectoryEntries_IPAddress UNIQUE (IPAddress)
    );
    CREATE INDEX IX_DirectoryEntries_Game ON dbo.DirectoryEntries (GameType, Posted DESC);
END;
GO

-- Salted SHA-512, stretched over many rounds so that guessing keys from a stolen table is slow.
CREATE OR ALTER FUNCTION dbo.DirectoryKeyHash(@Key nvarchar(4000), @Salt varbinary(16))
RETURNS varbinary(64)
WITH SCHEMABINDING
AS
BEGIN
    DECLARE @Hash varbinary(64) = HASHBYTES('SHA2_512', @Salt + CAST(@Key AS varbinary(8000)));
    DECLARE @Round int = 1;
    WHILE @Round < 5000
    BEGIN
        SET @Hash = HASHBYTES('SHA2_512', @Hash + @Salt);
        SET @Round += 1;
    END;
    RETURN @Hash;
END;
GO

-- Upgrade from the version that kept keys in clear (column ServerKey): hash them one entry at a
-- time (each with a salt of its own), drop the clear column and rebuild the table so the dropped
-- values do not linger in its pages. Dynamic SQL: this batch must compile without the old column.
IF COL_LENGTH(N'dbo.DirectoryEntries', N'ServerKey') IS NOT NULL
BEGIN
    SET XACT_ABORT ON;
    BEGIN TRANSACTION;
    EXEC (N'ALTER TABLE dbo.DirectoryEntries ADD KeySalt varbinary(16) NULL, KeyHash varbinary(64) NULL,
                                                 PostedFrom varchar(48) NULL;');
    EXEC (N'
        DECLARE @Id bigint = (SELECT MIN(EntryId) FROM dbo.DirectoryEntries WHERE KeyHash IS NULL);
        WHILE @Id IS NOT NULL
        BEGIN
            DECLARE @Salt varbinary(16) = CRYPT_GEN_RANDOM(16);
            UPDATE dbo.DirectoryEntries
            SET KeySalt = @Salt, KeyHash = dbo.DirectoryKeyHash(ServerKey, @Salt)
            WHERE EntryId = @Id;
            SET @Id = (SELECT MIN(EntryId) FROM dbo.DirectoryEntries WHERE KeyHash IS NULL);
        END;
        ALTER TABLE dbo.DirectoryEntries ALTER COLUMN KeySalt varbinary(16) NOT NULL;
        ALTER TABLE dbo.DirectoryEntries ALTER COLUMN KeyHash varbinary(64) NOT NULL;
        ALTER TABLE dbo.DirectoryEntries DROP COLUMN ServerKey;
        ALTER TABLE dbo.DirectoryEntries REBUILD;');
    COMMIT TRANSACTION;
END;
GO

IF INDEXPROPERTY(OBJECT_ID(N'dbo.DirectoryEntries'), N'IX_DirectoryEntries_PostedFrom', N'IndexId') IS NULL
    CREATE INDEX IX_DirectoryEntries_PostedFrom ON dbo.DirectoryEntries (PostedFrom);
GO

-- The flood limits, per calling address; the owner changes them with UPDATE. NULL switches a
-- limit off. Running the script again keeps the values set here.
IF OBJECT_ID(N'dbo.DirectoryLimits', N'U') IS NULL
    CREATE TABLE dbo.DirectoryLimits (
        Name    varchar(64)    NOT NULL CONSTRAINT PK_DirectoryLimits PRIMARY KEY,
        Value   int            NULL CONSTRAINT CK_DirectoryLimits_Value CHECK (Value >= 0),
        Meaning nvarchar(200)  NOT NULL
    );
GO
INSERT INTO dbo.DirectoryLimits (Name, Value, Meaning)
SELECT v.Name, v.Value, v.Meaning
FROM (VALUES ('live_entries_per_address', 4, N'entries listed at once that were posted from one address'),
             ('posts_per_hour_per_address', 30, N'AddServer calls from one address within the last hour'))
     AS v (Name, Value, Meaning)
WHERE NOT EXISTS (SELECT 1 FROM dbo.DirectoryLimits l WHERE l.Name = v.Name);
GO

-- Accepted posts of the last hour, for the hourly limit (entries themselves may be gone already).
IF OBJECT_ID(N'dbo.DirectoryPosts', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.DirectoryPosts (
        PostedFrom varchar(48)  NULL,
        PostedAt   datetime2(7) NOT NULL CONSTRAINT DF_DirectoryPosts_PostedAt DEFAULT SYSUTCDATETIME()
    );
    CREATE INDEX IX_DirectoryPosts_PostedFrom ON dbo.DirectoryPosts (PostedFrom, PostedAt);
END;
GO

-- Every entry a caller removed: when (UTC), which address, from where and through which procedure.
-- Entries that lapse after 24 hours are not logged.
IF OBJECT_ID(N'dbo.DirectoryRemovals', N'U') IS NULL
    CREATE TABLE dbo.DirectoryRemovals (
        RemovedAt  datetime2(7)  NOT NULL CONSTRAINT DF_DirectoryRemovals_RemovedAt DEFAULT SYSUTCDATETIME(),
        IPAddress  nvarchar(253) NOT NULL,
        CalledFrom varchar(48)   NULL,
        Via        varchar(32)   NOT NULL
    );
GO

-- The caller's network address; NULL over shared memory or named pipes ("<local machine>", ...).
CREATE OR ALTER FUNCTION dbo.DirectoryCaller()
RETURNS varchar(48)
AS
BEGIN
    DECLARE @Address varchar(48) = CAST(CONNECTIONPROPERTY('client_net_address') AS varchar(48));
    RETURN CASE WHEN @Address LIKE '<%' THEN NULL ELSE @Address END;
END;
GO

-- Whether a text holds a control character (C0, DEL or C1), compared by code point.
CREATE OR ALTER FUNCTION dbo.DirectoryHasControl(@Text nvarchar(4000))
RETURNS bit
AS
BEGIN
    DECLARE @Controls nvarchar(20) =
        N'%[' + NCHAR(1) + N'-' + NCHAR(31) + NCHAR(127) + N'-' + NCHAR(159) + N']%';
    RETURN CASE WHEN PATINDEX(@Controls, @Text COLLATE Latin1_General_BIN2) > 0
                  OR CHARINDEX(NCHAR(0) COLLATE Latin1_General_BIN2, @Text COLLATE Latin1_General_BIN2) > 0
                THEN 1 ELSE 0 END;
END;
GO

-- An IPv4 address in dotted decimal without leading zeros, or a host name of at most 253
-- characters whose last label is not all digits (so 999.1.1.1 is no host name either).
CREATE OR ALTER FUNCTION dbo.DirectoryValidAddress(@Address nvarchar(4000))
RETURNS bit
AS
BEGIN
    -- Character ranges compare by code point only under a binary collation; a variable takes the
    -- database's collation, so each range test names it.
    DECLARE @Text nvarchar(4000) = @Address;
    DECLARE @Length int = DATALENGTH(@Text) / 2;
    DECLARE @Dots int = @Length - DATALENGTH(REPLACE(@Text, N'.', N'')) / 2;
    IF @Length = 0 OR @Length > 253 OR @Text COLLATE Latin1_General_BIN2 LIKE N'%[^A-Za-z0-9.-]%'
        RETURN 0;
    IF @Dots = 3 AND @Text COLLATE Latin1_General_BIN2 NOT LIKE N'%[^0-9.]%'
    BEGIN
        DECLARE @Part int = 1, @Octet nvarchar(4000);
        WHILE @Part <= 4
        BEGIN
            SET @Octet = PARSENAME(@Text, @Part);
            IF @Octet IS NULL OR LEN(@Octet) > 3 OR (LEN(@Octet) > 1 AND LEFT(@Octet, 1) = N'0')
               OR TRY_CAST(@Octet AS int) > 255
                RETURN 0;
            SET @Part += 1;
        END;
        RETURN 1;
    END;
    -- Host name: labels of 1 to 63 letters, digits and inner hyphens.
    IF @Text LIKE N'.%' OR @Text LIKE N'%.' OR @Text LIKE N'%..%' OR @Text LIKE N'-%' OR @Text LIKE N'%-'
       OR @Text LIKE N'%.-%' OR @Text LIKE N'%-.%'
        RETURN 0;
    DECLARE @Rest nvarchar(4000) = @Text, @Dot int = CHARINDEX(N'.', @Text), @Label nvarchar(4000);
    WHILE 1 = 1
    BEGIN
        SET @Label = CASE WHEN @Dot = 0 THEN @Rest ELSE LEFT(@Rest, @Dot - 1) END;
        IF DATALENGTH(@Label) / 2 > 63
            RETURN 0;
        IF @Dot = 0
            BREAK;
        SET @Rest = SUBSTRING(@Rest, @Dot + 1, 4000);
        SET @Dot = CHARINDEX(N'.', @Rest);
    END;
    RETURN CASE WHEN @Label COLLATE Latin1_General_BIN2 LIKE N'%[A-Za-z]%' THEN 1 ELSE 0 END;
END;
GO

-- The checks of a post, in the order of the client's parameters; the first bad value raises
-- INVALID naming its parameter.
CREATE OR ALTER PROCEDURE dbo.DirectoryCheckPost
    @ServerName     nvarchar(4000),
    @Gametype       nvarchar(4000),
    @IPAddress      nvarchar(4000),
    @Port           nvarchar(4000),
    @Mods           nvarchar(4000),
    @ConnectionType nvarchar(4000),
    @ServerKey      nvarchar(4000),
    @Source         nvarchar(4000)
AS
BEGIN
    SET NOCOUNT ON;
    DECLARE @Field nvarchar(32) = NULL, @Rule nvarchar(200) = N'contains a control character';
    SELECT TOP (1) @Field = v.Field
    FROM (VALUES (1, N'ServerName', @ServerName), (2, N'Gametype', @Gametype), (3, N'IPAddress', @IPAddress),
                 (4, N'Port', @Port), (5, N'Mods', @Mods), (6, N'ConnectionType', @ConnectionType),
                 (7, N'ServerKey', @ServerKey), (8, N'Source', @Source)) AS v (Position, Field, Value)
    WHERE v.Value IS NULL OR dbo.DirectoryHasControl(v.Value) = 1
    ORDER BY v.Position;
    -- DATALENGTH, not LEN: LEN ignores trailing blanks.
    IF @Field IS NULL AND DATALENGTH(@ServerName) / 2 NOT BETWEEN 1 AND 64
        SELECT @Field = N'ServerName', @Rule = N'must have 1 to 64 characters';
    IF @Field IS NULL AND @Gametype COLLATE Latin1_General_BIN2
                          NOT IN (N'Rogue Spear', N'Urban Operations', N'Rainbow Six', N'Eagle Watch')
        SELECT @Field = N'Gametype', @Rule = N'must be Rogue Spear, Urban Operations, Rainbow Six or Eagle Watch';
    IF @Field IS NULL AND dbo.DirectoryValidAddress(@IPAddress) = 0
        SELECT @Field = N'IPAddress', @Rule = N'must be an IPv4 address or a host name of at most 253 characters';
    IF @Field IS NULL AND (DATALENGTH(@Port) / 2 NOT BETWEEN 1 AND 5
                           OR @Port COLLATE Latin1_General_BIN2 LIKE N'%[^0-9]%'
                           OR TRY_CAST(@Port AS int) NOT BETWEEN 1 AND 65535)
        SELECT @Field = N'Port', @Rule = N'must be a number from 1 to 65535';
    IF @Field IS NULL AND DATALENGTH(@Mods) / 2 > 128
        SELECT @Field = N'Mods', @Rule = N'must have at most 128 characters';
    IF @Field IS NULL AND DATALENGTH(@ConnectionType) / 2 > 32
        SELECT @Field = N'ConnectionType', @Rule = N'must have at most 32 characters';
    -- 72 as on PostgreSQL, where bcrypt reads no further (there bytes, here characters).
    IF @Field IS NULL AND DATALENGTH(@ServerKey) / 2 NOT BETWEEN 1 AND 72
        SELECT @Field = N'ServerKey', @Rule = N'must have 1 to 72 characters';
    IF @Field IS NULL AND DATALENGTH(@Source) / 2 > 253
        SELECT @Field = N'Source', @Rule = N'must have at most 253 characters';
    IF @Field IS NOT NULL
    BEGIN
        DECLARE @Message nvarchar(2048) = CONCAT(N'INVALID ', @Field, N': ', @Rule);
        THROW 50004, @Message, 1;
    END;
END;
GO

-- The entries of one game posted or refreshed within the last 24 hours, newest first.
CREATE OR ALTER PROCEDURE dbo.ActiveServers
    @Gametype nvarchar(4000)
WITH EXECUTE AS OWNER
AS
BEGIN
    SET NOCOUNT ON;
    SELECT ServerName, IPAddress, Port, Mods
    FROM dbo.DirectoryEntries
    WHERE GameType = @Gametype
      AND Posted >= DATEADD(hour, -24, SYSUTCDATETIME())
    ORDER BY Posted DESC, EntryId DESC;
END;
GO

-- Posts an entry. Checks the values, then whether the address is listed (an expired entry is
-- cleared away first and does not count), then the limits of the calling address.
-- The parameters are wide so that no value is cut short before it is checked.
CREATE OR ALTER PROCEDURE dbo.AddServer
    @ServerName     nvarchar(4000),
    @Gametype       nvarchar(4000),
    @IPAddress      nvarchar(4000),
    @Port           nvarchar(4000),
    @Mods           nvarchar(4000),
    @ConnectionType nvarchar(4000),
    @ServerKey      nvarchar(4000),
    @Source         nvarchar(4000)
WITH EXECUTE AS OWNER
AS
BEGIN
    SET NOCOUNT ON;
    SET XACT_ABORT ON;
    EXEC dbo.DirectoryCheckPost @ServerName, @Gametype, @IPAddress, @Port, @Mods, @ConnectionType, @ServerKey,
                                @Source;
    DECLARE @Caller varchar(48) = dbo.DirectoryCaller();
    DECLARE @Now datetime2(7) = SYSUTCDATETIME();
    DECLARE @Message nvarchar(2048);
    DECLARE @LiveLimit int = (SELECT Value FROM dbo.DirectoryLimits WHERE Name = 'live_entries_per_address');
    DECLARE @HourLimit int = (SELECT Value FROM dbo.DirectoryLimits WHERE Name = 'posts_per_hour_per_address');
    DECLARE @Lock nvarchar(255) = CONCAT(N'skirmdeck post ', COALESCE(@Caller, 'local'));
    BEGIN TRANSACTION;
    -- One post at a time per calling address, so that racing posts cannot slip past a limit together.
    EXEC sp_getapplock @Resource = @Lock, @LockMode = 'Exclusive', @LockOwner = 'Transaction';
    IF EXISTS (SELECT 1 FROM dbo.DirectoryEntries WITH (UPDLOCK, HOLDLOCK)
               WHERE IPAddress = @IPAddress AND Posted >= DATEADD(hour, -24, @Now))
    BEGIN
        ROLLBACK TRANSACTION;
        SET @Message = CONCAT(N'ALREADYLISTED: a server with the address ', @IPAddress, N' is already listed');
        THROW 50001, @Message, 1;
    END;
    IF @LiveLimit IS NOT NULL
       AND (SELECT COUNT(*) FROM dbo.DirectoryEntries
            WHERE (PostedFrom = @Caller OR (PostedFrom IS NULL AND @Caller IS NULL))
              AND Posted >= DATEADD(hour, -24, @Now)) >= @LiveLimit
    BEGIN
        ROLLBACK TRANSACTION;
        SET @Message = CONCAT(N'LIMIT live_entries_per_address: at most ', @LiveLimit,
                              N' entries posted from one address may be listed at once');
        THROW 50003, @Message, 1;
    END;
    IF @HourLimit IS NOT NULL
       AND (SELECT COUNT(*) FROM dbo.DirectoryPosts
            WHERE (PostedFrom = @Caller OR (PostedFrom IS NULL AND @Caller IS NULL))
              AND PostedAt > DATEADD(hour, -1, @Now)) >= @HourLimit
    BEGIN
        ROLLBACK TRANSACTION;
        SET @Message = CONCAT(N'LIMIT posts_per_hour_per_address: at most ', @HourLimit,
                              N' posts an hour may come from one address');
        THROW 50003, @Message, 1;
    END;
    DELETE FROM dbo.DirectoryEntries WHERE Posted < DATEADD(hour, -24, @Now);
    DELETE FROM dbo.DirectoryPosts WHERE PostedAt <= DATEADD(hour, -1, @Now);
    INSERT INTO dbo.DirectoryPosts (PostedFrom, PostedAt) VALUES (@Caller, @Now);
    DECLARE @Salt varbinary(16) = CRYPT_GEN_RANDOM(16);
    INSERT INTO dbo.DirectoryEntries (ServerName, GameType, IPAddress, Port, Mods, ConnectionType, KeySalt, KeyHash,
                                      Source, Posted, PostedFrom)
    VALUES (@ServerName, @Gametype, @IPAddress, @Port, @Mods, @ConnectionType, @Salt,
            dbo.DirectoryKeyHash(@ServerKey, @Salt), @Source, @Now, @Caller);
    COMMIT TRANSACTION;
END;
GO

-- Removes the entry at an address, without a key: only for a caller connecting from the listed
-- address or from the address that posted it. Nothing listed there is no error.
CREATE OR ALTER PROCEDURE dbo.DeleteServer
    @IPAddress nvarchar(4000)
WITH EXECUTE AS OWNER
AS
BEGIN
    SET NOCOUNT ON;
    SET XACT_ABORT ON;
    DECLARE @Caller varchar(48) = dbo.DirectoryCaller();
    BEGIN TRANSACTION;
    DECLARE @Listed nvarchar(253), @PostedFrom varchar(48);
    SELECT @Listed = IPAddress, @PostedFrom = PostedFrom
    FROM dbo.DirectoryEntries WITH (UPDLOCK, HOLDLOCK)
    WHERE IPAddress = @IPAddress;
    IF @Listed IS NULL
    BEGIN
        COMMIT TRANSACTION;
        RETURN;
    END;
    -- An unknown caller or poster (NULL) permits nothing.
    IF @Caller IS NULL OR NOT (@Caller = @Listed OR @Caller = COALESCE(@PostedFrom, ''))
    BEGIN
        ROLLBACK TRANSACTION;
        DECLARE @Message nvarchar(2048) = CONCAT(N'NOTPERMITTED: only the computer at ', @IPAddress,
                                                 N' or the one that posted it may remove this server');
        THROW 50002, @Message, 1;
    END;
    DELETE FROM dbo.DirectoryEntries WHERE IPAddress = @IPAddress;
    INSERT INTO dbo.DirectoryRemovals (IPAddress, CalledFrom, Via) VALUES (@Listed, @Caller, 'DeleteServer');
    COMMIT TRANSACTION;
END;
GO

-- Removes the entry at an address only when the key and the source it was posted with match.
CREATE OR ALTER PROCEDURE dbo.DeleteServerPWed
    @IPAddress nvarchar(4000),
    @ServerKey nvarchar(4000),
    @Source    nvarchar(4000)
WITH EXECUTE AS OWNER
AS
BEGIN
    SET NOCOUNT ON;
    DECLARE @Caller varchar(48) = dbo.DirectoryCaller();
    DELETE FROM dbo.DirectoryEntries
    OUTPUT deleted.IPAddress, @Caller, 'DeleteServerPWed'
        INTO dbo.DirectoryRemovals (IPAddress, CalledFrom, Via)
    WHERE IPAddress = @IPAddress AND Source = @Source AND KeyHash = dbo.DirectoryKeyHash(@ServerKey, KeySalt);
END;
GO

-- Re-announces an entry: its 24 hours start again (an entry that had lapsed is listed again).
CREATE OR ALTER PROCEDURE dbo.UpdateServer
    @IPAddress nvarchar(4000),
    @ServerKey nvarchar(4000),
    @Source    nvarchar(4000)
WITH EXECUTE AS OWNER
AS
BEGIN
    SET NOCOUNT ON;
    UPDATE dbo.DirectoryEntries SET Posted = SYSUTCDATETIME()
    WHERE IPAddress = @IPAddress AND Source = @Source AND KeyHash = dbo.DirectoryKeyHash(@ServerKey, KeySalt);
END;
GO

-- Everything belongs to the user that cannot log in; the procedures run as it.
ALTER AUTHORIZATION ON OBJECT::dbo.DirectoryEntries TO skirmdeck_owner;
ALTER AUTHORIZATION ON OBJECT::dbo.DirectoryLimits TO skirmdeck_owner;
ALTER AUTHORIZATION ON OBJECT::dbo.DirectoryPosts TO skirmdeck_owner;
ALTER AUTHORIZATION ON OBJECT::dbo.DirectoryRemovals TO skirmdeck_owner;
ALTER AUTHORIZATION ON OBJECT::dbo.DirectoryKeyHash TO skirmdeck_owner;
ALTER AUTHORIZATION ON OBJECT::dbo.DirectoryCaller TO skirmdeck_owner;
ALTER AUTHORIZATION ON OBJECT::dbo.DirectoryHasControl TO skirmdeck_owner;
ALTER AUTHORIZATION ON OBJECT::dbo.DirectoryValidAddress TO skirmdeck_owner;
ALTER AUTHORIZATION ON OBJECT::dbo.DirectoryCheckPost TO skirmdeck_owner;
ALTER AUTHORIZATION ON OBJECT::dbo.ActiveServers TO skirmdeck_owner;
ALTER AUTHORIZATION ON OBJECT::dbo.AddServer TO skirmdeck_owner;
ALTER AUTHORIZATION ON OBJECT::dbo.DeleteServer TO skirmdeck_owner;
ALTER AUTHORIZATION ON OBJECT::dbo.DeleteServerPWed TO skirmdeck_owner;
ALTER AUTHORIZATION ON OBJECT::dbo.UpdateServer TO skirmdeck_owner;
GO

-- Players reach the entries only through the five procedures.
IF DATABASE_PRINCIPAL_ID(N'skirmdeck_player') IS NOT NULL
BEGIN
    EXEC (N'REVOKE ALL ON dbo.DirectoryEntries FROM skirmdeck_player;
            REVOKE ALL ON dbo.DirectoryLimits FROM skirmdeck_player;
            REVOKE ALL ON dbo.DirectoryPosts FROM skirmdeck_player;
            REVOKE ALL ON dbo.DirectoryRemovals FROM skirmdeck_player;
            GRANT EXECUTE ON dbo.ActiveServers TO skirmdeck_player;
            GRANT EXECUTE ON dbo.AddServer TO skirmdeck_player;
            GRANT EXECUTE ON dbo.DeleteServer TO skirmdeck_player;
            GRANT EXECUTE ON dbo.DeleteServerPWed TO skirmdeck_player;
            GRANT EXECUTE ON dbo.UpdateServer TO skirmdeck_player;');
    IF IS_ROLEMEMBER(N'db_datareader', N'skirmdeck_player') = 1
        OR IS_ROLEMEMBER(N'db_owner', N'skirmdeck_player') = 1
        THROW 50000, N'skirmdeck_player must not be a member of db_datareader or db_owner', 1;
END;
GO
